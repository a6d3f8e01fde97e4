#include "typed_text.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <vector>

namespace tervanil {
namespace {

char asciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string upperCase(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), asciiUpper);
    return out;
}

// Code points in the byte order of this machine, as iconv hands them over.
const char* const codePoints = std::endian::native == std::endian::little ? "UTF-32LE" : "UTF-32BE";

class Converter {
  public:
    Converter(const std::string& to, const std::string& from)
        : m_cd(::iconv_open(to.c_str(), from.c_str())) {}
    ~Converter() {
        if (valid())
            ::iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    // One step of iconv(3); returns false with errno set where it stopped.
    bool convert(const char*& in, size_t& inLeft, char*& out, size_t& outLeft) {
        char* input = const_cast<char*>(in);
        const size_t done = ::iconv(m_cd, &input, &inLeft, &out, &outLeft);
        in = input;
        return done != static_cast<size_t>(-1);
    }
    void reset() { ::iconv(m_cd, nullptr, nullptr, nullptr, nullptr); }

  private:
    iconv_t m_cd;
};

// Reads `text` in `decoder`'s source set. Each run of valid input is handed to
// `valid` (its bytes and the code points it decoded to), each invalid spot to
// `invalid`: a byte that begins no character, or a character cut off by the
// end of the text, which ends the reading.
template <class Valid, class Invalid>
void decode(std::string_view text, Converter& decoder, Valid&& valid, Invalid&& invalid) {
    std::array<char32_t, 256> scratch;
    const char* in = text.data();
    size_t inLeft = text.size();
    while (inLeft > 0) {
        const char* runStart = in;
        char* out = reinterpret_cast<char*>(scratch.data());
        size_t outLeft = sizeof scratch;
        const bool done = decoder.convert(in, inLeft, out, outLeft);
        const int error = errno;
        valid(std::string_view(runStart, static_cast<size_t>(in - runStart)),
              std::u32string_view(scratch.data(), (sizeof scratch - outLeft) / sizeof(char32_t)));
        if (done || error == E2BIG)
            continue;
        invalid();
        if (error == EINVAL) {
            inLeft = 0;
        } else {
            ++in;
            --inLeft;
        }
        decoder.reset();
    }
}

// The code points in `to`; each one `to` cannot hold becomes "?".
std::string encode(std::u32string& points, Converter& encoder, bool& unconvertible) {
    std::string out(points.size() * 2 + 16, '\0');
    const char* in = reinterpret_cast<const char*>(points.data());
    size_t inLeft = points.size() * sizeof(char32_t);
    size_t filled = 0;
    while (inLeft > 0) {
        char* outStart = out.data() + filled;
        char* outPosition = outStart;
        size_t outLeft = out.size() - filled;
        const bool done = encoder.convert(in, inLeft, outPosition, outLeft);
        const int error = errno;
        filled += static_cast<size_t>(outPosition - outStart);
        if (done)
            break;
        if (error == E2BIG) {
            out.resize(out.size() * 2);
        } else {
            // The point stopped at is put as "?" in its place and read again.
            const size_t index = (points.size() * sizeof(char32_t) - inLeft) / sizeof(char32_t);
            points[index] = U'?';
            unconvertible = true;
            encoder.reset();
        }
    }
    out.resize(filled);
    return out;
}

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Sets whose bytes below 0x80 are ASCII characters and never part of another.
bool extendsAscii(const std::string& canonical) {
    return canonical == "UTF-8" || canonical == "CP932" || canonical == "ASCII" ||
           canonical.starts_with("ISO-8859-");
}

std::string readSystemCharset() {
    // A locale object of its own, so that the process's locale is left alone
    // and no other thread's use of it is raced.
    const locale_t locale = ::newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
    if (locale == static_cast<locale_t>(0))
        return "ASCII";
    const char* codeset = ::nl_langinfo_l(CODESET, locale);
    std::string charset = codeset != nullptr && *codeset != '\0' ? codeset : "ASCII";
    ::freelocale(locale);
    return charset;
}

} // namespace

const std::string& systemCharset() {
    static const std::string charset = readSystemCharset();
    return charset;
}

std::string canonicalCharset(std::string_view charset) {
    if (charset.empty())
        charset = systemCharset();
    if (codePageNamed(charset) == CodePage::ShiftJis)
        return "CP932";
    std::string upper = upperCase(charset);
    if (upper == "UTF8")
        return "UTF-8";
    if (upper == "US-ASCII" || upper == "ANSI_X3.4-1968")
        return "ASCII";
    if (upper.starts_with("ISO8859-"))
        upper = "ISO-" + upper.substr(3);
    return upper;
}

std::string recordCharset(std::string_view namedCharset, CodePage readIn) {
    if (codePageNamed(namedCharset))
        return canonicalCharset(namedCharset);
    const std::string system = canonicalCharset(systemCharset());
    const CodePage systemPage =
        codePageNamed(system) == CodePage::ShiftJis ? CodePage::ShiftJis : CodePage::SingleByte;
    if (readIn == systemPage)
        return system;
    return readIn == CodePage::ShiftJis ? "CP932" : "UTF-8";
}

bool namesOtherThanSystemCharset(std::string_view namedCharset) {
    if (!codePageNamed(namedCharset))
        return false;
    const std::string named = canonicalCharset(namedCharset);
    return named != "ASCII" && named != canonicalCharset(systemCharset());
}

Transcoded transcoded(std::string_view text, std::string_view from, std::string_view to) {
    const std::string source = canonicalCharset(from);
    const std::string target = canonicalCharset(to);
    Transcoded result;
    if (isAscii(text) && extendsAscii(source) && extendsAscii(target)) {
        result.bytes = text;
        return result;
    }
    Converter decoder(codePoints, source);
    if (!decoder.valid()) {
        result.bytes = text;
        return result;
    }
    if (source == target) {
        // Checked only: the valid bytes go on as they are, even where a round
        // trip would pick another of two codes for one character.
        decode(
            text, decoder,
            [&](std::string_view bytes, std::u32string_view) { result.bytes.append(bytes); },
            [&] {
                result.bytes += '?';
                result.invalid = true;
            });
        return result;
    }
    Converter encoder(target, codePoints);
    if (!encoder.valid()) {
        result.bytes = text;
        return result;
    }
    std::u32string points;
    points.reserve(text.size());
    decode(
        text, decoder,
        [&](std::string_view, std::u32string_view decoded) { points.append(decoded); },
        [&] {
            points += U'?';
            result.invalid = true;
        });
    result.bytes = encode(points, encoder, result.unconvertible);
    return result;
}

} // namespace tervanil
