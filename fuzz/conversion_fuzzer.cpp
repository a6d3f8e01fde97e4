// Fuzzes one record's road through the engine: load, rework and page, for
// arbitrary record bytes and arbitrary typed option texts.
//
// Input layout: the bytes before the last NUL are the record (earlier NULs
// included, so that the load's cut at the first NUL is exercised); the bytes
// behind it are the options: one byte of flags, then texts separated by 0x01 in
// the order of `optionTexts` below. Without a NUL the whole input is the record
// and the options keep their defaults, so plain SGF files serve as seeds.
//
// Beyond "no crash", every input is checked against what the rework and the
// page promise. Which bytes stand inside values is worked out here by a value
// tracker of its own, not by the engine's scanner, so that the check does not
// just repeat the code it checks.

#include "conversion_run.h"
#include "record_rework.h"
#include "text_buffer.h"
#include "typed_text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

using tervanil::CodePage;
using tervanil::ConversionOptions;

[[noreturn]] void fail(const char* what, std::string_view detail = {}) {
    std::fprintf(stderr, "INVARIANT BROKEN: %s\n", what);
    if (!detail.empty())
        std::fprintf(stderr, "  near: %.*s\n",
                     static_cast<int>(std::min<size_t>(detail.size(), 400)), detail.data());
    std::abort();
}

void check(bool condition, const char* what, std::string_view detail = {}) {
    if (!condition)
        fail(what, detail);
}

// ---- The fuzzer's own reading of SGF text --------------------------------

bool leadByte(CodePage codePage, unsigned char b) {
    return codePage == CodePage::ShiftJis && ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC));
}

enum class Role { Structure, Open, Value, Character };

// Follows values: "[" outside a value opens one, "]" not escaped closes it,
// "\" inside takes the next byte, a lead byte takes the next byte anywhere.
class ValueTracker {
  public:
    explicit ValueTracker(CodePage codePage) : m_codePage(codePage) {}

    Role step(unsigned char b) {
        if (m_trail) {
            m_trail = false;
            return m_inValue ? Role::Value : Role::Character;
        }
        const bool lead = leadByte(m_codePage, b);
        if (m_inValue) {
            if (m_escaped)
                m_escaped = false;
            else if (!lead && b == '\\')
                m_escaped = true;
            else if (b == ']')
                m_inValue = false;
            m_trail = lead;
            return Role::Value;
        }
        if (lead) {
            m_trail = true;
            return Role::Character;
        }
        if (b == '[') {
            m_inValue = true;
            return Role::Open;
        }
        return Role::Structure;
    }
    bool settled() const { return !m_inValue && !m_trail; }

  private:
    CodePage m_codePage;
    bool m_inValue = false;
    bool m_escaped = false;
    bool m_trail = false;
};

bool isLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The ";" of the first "(" whose next byte other than a blank is ";"; lead
// bytes take their trail bytes along, values are not followed yet.
std::optional<size_t> openingOf(std::string_view text, CodePage codePage) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (leadByte(codePage, static_cast<unsigned char>(text[i]))) {
            ++i;
        } else if (text[i] == '(') {
            size_t next = i + 1;
            while (next < text.size() && isBlank(text[next]))
                ++next;
            if (next < text.size() && text[next] == ';')
                return next;
        }
    }
    return std::nullopt;
}

struct RootNode {
    size_t opening = 0;                 // the opening ";"
    std::optional<size_t> end;          // the ";" that opens the second node, if any
    std::vector<std::string> tags;      // identifiers right before a value's "["
    std::optional<std::string> charset; // the first CA value, unescaped and trimmed
};

std::optional<RootNode> rootNodeOf(std::string_view text, CodePage codePage) {
    const std::optional<size_t> opening = openingOf(text, codePage);
    if (!opening)
        return std::nullopt;
    RootNode root;
    root.opening = *opening;
    ValueTracker tracker(codePage);
    std::vector<Role> roles;
    std::string charset;
    bool readingCharset = false;
    for (size_t i = *opening + 1; i < text.size(); ++i) {
        const Role role = tracker.step(static_cast<unsigned char>(text[i]));
        roles.push_back(role);
        if (role == Role::Structure && text[i] == ';') {
            root.end = i;
            break;
        }
        if (readingCharset) {
            if (tracker.settled()) {
                readingCharset = false;
                size_t first = charset.find_first_not_of(" \t\r\n");
                size_t last = charset.find_last_not_of(" \t\r\n");
                root.charset = first == std::string::npos ? std::string()
                                                          : charset.substr(first, last - first + 1);
            } else if (text[i] != '\\') {
                charset += text[i];
            }
        }
        const size_t n = roles.size();
        if (role == Role::Open && n >= 3 && roles[n - 2] == Role::Structure &&
            roles[n - 3] == Role::Structure) {
            std::string tag(text.substr(i - 2, 2));
            if (tag == "CA" &&
                std::find(root.tags.begin(), root.tags.end(), "CA") == root.tags.end())
                readingCharset = true;
            root.tags.push_back(tag);
        }
    }
    return root;
}

// The text from `from` on without its line breaks outside values (a CR LF pair
// or a lone LF); a lone CR stays. Bytes before `from` stay as they are.
std::string withoutOutsideBreaks(std::string_view text, size_t from, CodePage codePage) {
    std::string out(text.substr(0, from));
    ValueTracker tracker(codePage);
    for (size_t i = from; i < text.size(); ++i) {
        if (tracker.settled()) {
            if (text[i] == '\n')
                continue;
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
                continue;
            }
        }
        tracker.step(static_cast<unsigned char>(text[i]));
        out += text[i];
    }
    return out;
}

// `text` without a lead byte that ends it: half a character, which would
// take the "]" that closes its value along.
std::string_view wholeCharacters(std::string_view text, CodePage codePage) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (leadByte(codePage, static_cast<unsigned char>(text[i])) && ++i == text.size())
            return text.substr(0, i - 1);
    }
    return text;
}

// A typed text as an SGF value's bytes: "\" before "\" and "]", a double-byte
// character copied whole.
std::string escapedValue(std::string_view typed, CodePage codePage) {
    const std::string_view text = wholeCharacters(typed, codePage);
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (leadByte(codePage, static_cast<unsigned char>(text[i]))) {
            out += text[i];
            out += text[++i];
            continue;
        }
        if (text[i] == '\\' || text[i] == ']')
            out += '\\';
        out += text[i];
    }
    return out;
}

// The values of `text` read from outside any value, unescaped; nothing when
// the text ends inside a value or inside a character.
std::optional<std::vector<std::string>> valuesOf(std::string_view text, CodePage codePage) {
    const auto lead = [&](size_t i) {
        return leadByte(codePage, static_cast<unsigned char>(text[i]));
    };
    std::vector<std::string> values;
    std::string value;
    bool inValue = false;
    size_t i = 0;
    while (i < text.size()) {
        if (!inValue) {
            if (lead(i)) {
                i += 2;
            } else {
                if (text[i] == '[') {
                    inValue = true;
                    value.clear();
                }
                ++i;
            }
            continue;
        }
        if (text[i] == '\\' && !lead(i)) {
            ++i; // the escaped byte, and its trail byte when it leads one
            if (i >= text.size())
                return std::nullopt;
        } else if (text[i] == ']') {
            values.push_back(value);
            inValue = false;
            ++i;
            continue;
        }
        value += text[i];
        if (lead(i)) {
            if (i + 1 >= text.size())
                return std::nullopt;
            value += text[++i];
        }
        ++i;
    }
    if (inValue || i > text.size())
        return std::nullopt;
    return values;
}

// ---- Pages -----------------------------------------------------------------

std::string escapedHtml(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// Decodes the four references; nothing when a raw quote or angle bracket or a
// bare "&" stands in the text, since then the attribute could be left early.
std::optional<std::string> decodedHtml(std::string_view text) {
    static constexpr std::array<std::pair<std::string_view, char>, 4> references{
        {{"&amp;", '&'}, {"&quot;", '"'}, {"&lt;", '<'}, {"&gt;", '>'}}};
    std::string out;
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == '"' || c == '<' || c == '>')
            return std::nullopt;
        if (c != '&') {
            out += c;
            ++i;
            continue;
        }
        bool matched = false;
        for (const auto& [reference, decoded] : references) {
            if (text.substr(i, reference.size()) == reference) {
                out += decoded;
                i += reference.size();
                matched = true;
                break;
            }
        }
        if (!matched)
            return std::nullopt;
    }
    return out;
}

// ---- Options from the input ------------------------------------------------

struct Input {
    std::string_view record;
    ConversionOptions options;
    std::string sourceName = "game"; // ".sgf" is appended
};

Input decodeInput(std::string_view data) {
    Input input;
    const size_t nul = data.rfind('\0');
    if (nul == std::string_view::npos) {
        input.record = data;
        input.sourceName += ".sgf";
        return input;
    }
    input.record = data.substr(0, nul);
    std::string_view tail = data.substr(nul + 1);
    ConversionOptions& o = input.options;
    if (!tail.empty()) {
        const unsigned flags = static_cast<unsigned char>(tail.front());
        tail.remove_prefix(1);
        o.codePage = (flags & 1) ? CodePage::ShiftJis : CodePage::SingleByte;
        o.applet = (flags & 2) ? tervanil::Applet::Quillamy : tervanil::Applet::Orbanel;
        o.clickable = flags & 4;
        o.freeclick = flags & 8;
        o.nextWhite = flags & 16;
        o.askstyle = flags & 32;
        o.advancemoves = flags & 64;
        o.number = !(flags & 128);
    }
    std::string* const optionTexts[] = {&o.startupMessage,   &o.startupMoves, &o.startupNumber,
                                        &o.backgroundColour, &o.width,        &o.height,
                                        &o.codebase,         &o.appletClass,  &input.sourceName};
    for (std::string* text : optionTexts) {
        if (tail.empty())
            break;
        const size_t separator = tail.find('\x01');
        *text = std::string(tail.substr(0, separator));
        tail =
            separator == std::string_view::npos ? std::string_view() : tail.substr(separator + 1);
    }
    // The source name is a file name: no "/", and room for ".sgf" within 255 bytes.
    if (input.sourceName.empty() || input.sourceName.size() > 200 ||
        input.sourceName.find('/') != std::string::npos || input.sourceName == "." ||
        input.sourceName == "..")
        input.sourceName = "game";
    input.sourceName += ".sgf";
    return input;
}

// ---- The checks ------------------------------------------------------------

// A typed text in the character set of a record read in `codePage` that names
// `charset`: its transcoding has a table of its own; here it only has to close.
std::string typedInRecord(const std::string& text, const ConversionOptions& o,
                          std::string_view charset, CodePage codePage) {
    return tervanil::transcoded(text, o.typedTextCharset,
                                tervanil::recordCharset(charset, codePage))
        .bytes;
}

// The additions the options call for at a root node holding `tags`, typed
// texts in the record's character set, escaped for `codePage`.
std::string expectedAdditions(const std::vector<std::string>& tags, const ConversionOptions& o,
                              std::string_view charset, CodePage codePage) {
    const auto typed = [&](const std::string& text) {
        return typedInRecord(text, o, charset, codePage);
    };
    const auto has = [&tags](std::string_view tag) {
        return std::find(tags.begin(), tags.end(), tag) != tags.end();
    };
    std::string additions;
    if (!has("GO"))
        additions += std::string("\r\nGO[") +
                     char('0' + (o.number ? 0 : 2) + (o.advancemoves ? 1 : 0)) + "]";
    const bool interactive = o.applet == tervanil::Applet::Quillamy && o.clickable;
    if (interactive && !has("CL"))
        additions += o.freeclick ? "\r\nCL[1]" : "\r\nCL[2]";
    if (interactive && o.askstyle && !has("QS"))
        additions += "\r\nQS[1]";
    if (interactive && o.nextWhite && !has("NE"))
        additions += "\r\nNE[W]";
    if ((o.startupNumber != "1" || o.startupMoves != "0") && !has("AS"))
        additions += "\r\nAS[" + escapedValue(typed(o.startupMoves), codePage) + "," +
                     escapedValue(typed(o.startupNumber), codePage) + "]";
    if (!o.startupMessage.empty())
        additions += "\r\nC[" + escapedValue(typed(o.startupMessage), codePage) + "]";
    return additions;
}

void checkRework(std::string_view loaded, std::string_view reworked, bool replaced,
                 const ConversionOptions& options) {
    // The root node as the rework finds it: in the options' code page, then in
    // the one the record names, if it names another. A rework needs a second
    // node behind the root node.
    CodePage codePage = options.codePage;
    std::optional<RootNode> root = rootNodeOf(loaded, codePage);
    if (root && root->charset) {
        const std::optional<CodePage> named = tervanil::codePageNamed(*root->charset);
        if (named && *named != codePage) {
            codePage = *named;
            root = rootNodeOf(loaded, codePage);
        }
    }
    const bool splits = root && root->end;
    check(replaced == splits, "the rework replaced the text exactly when it splits", loaded);
    if (!splits) {
        check(reworked == loaded, "a text without a root node stays as loaded", loaded);
        return;
    }
    check(reworked.ends_with("\r\n"), "a reworked record ends with CR LF", reworked);

    // The opening stays byte for byte and the additions follow right behind it.
    const size_t afterOpening = root->opening + 1;
    check(reworked.substr(0, afterOpening) == loaded.substr(0, afterOpening),
          "the text up to the opening \";\" is unchanged", reworked);
    const std::string charset = root->charset.value_or(std::string());
    const std::string additions = expectedAdditions(root->tags, options, charset, codePage);
    check(reworked.substr(afterOpening, additions.size()) == additions,
          "the additions stand right behind the opening", reworked.substr(afterOpening));

    // The additions are whole properties whose values are the typed texts.
    const std::optional<std::vector<std::string>> values = valuesOf(additions, codePage);
    check(values.has_value(), "every added value is closed", additions);
    if (!options.startupMessage.empty())
        check(!values->empty() && values->back() == typedInRecord(options.startupMessage, options,
                                                                  charset, codePage),
              "the added comment reads back as the typed message", additions);

    // Take the additions out, then compare without the line breaks outside
    // values: the rework adds and removes nothing else, inside values nothing.
    // The final CR LF is the record's line end, not a byte of its last value.
    std::string withoutAdditions(reworked.substr(0, afterOpening));
    withoutAdditions.append(reworked.substr(afterOpening + additions.size()));
    withoutAdditions.resize(withoutAdditions.size() - 2);
    const std::string flatReworked = withoutOutsideBreaks(withoutAdditions, afterOpening, codePage);
    const std::string flatLoaded = withoutOutsideBreaks(loaded, afterOpening, codePage);
    if (flatReworked != flatLoaded) {
        size_t at = 0;
        while (at < flatReworked.size() && at < flatLoaded.size() &&
               flatReworked[at] == flatLoaded[at])
            ++at;
        fail("the reworked record is the loaded one with line breaks outside values moved only",
             flatReworked.substr(at > 40 ? at - 40 : 0));
    }

    // The root header keeps its line breaks; every break behind it was put by
    // the reflow at a safe spot: outside values, not behind a letter.
    const size_t headerEnd = *root->end + additions.size();
    check(withoutAdditions.substr(0, *root->end) == loaded.substr(0, *root->end),
          "the root header is unchanged", reworked);
    ValueTracker tracker(codePage);
    for (size_t i = afterOpening + additions.size(); i < reworked.size(); ++i) {
        const bool settled = tracker.settled();
        if (i >= headerEnd && settled && reworked[i] == '\r' && i + 1 < reworked.size() &&
            reworked[i + 1] == '\n' && i + 4 < reworked.size())
            check(!isLetter(reworked[i - 1]), "a reflow break does not follow a letter",
                  reworked.substr(i > 20 ? i - 20 : 0, 40));
        tracker.step(static_cast<unsigned char>(reworked[i]));
    }
}

std::string expectedPageStart(const Input& input) {
    const ConversionOptions& o = input.options;
    return "<HTML>\r\n<HEAD>\r\n<TITLE>" + escapedHtml(input.sourceName) +
           "</TITLE>\r\n</HEAD>\r\n" + "<BODY BGCOLOR=\"#" + escapedHtml(o.backgroundColour) +
           "\">\r\n" + "<APPLET CODEBASE=\"" + escapedHtml(o.codebase) + "\" CODE=\"" +
           escapedHtml(o.appletClass) + "\"WIDTH=" + escapedHtml(o.width) +
           " HEIGHT=" + escapedHtml(o.height) + ">\r\n<PARAM NAME=\"moves\" VALUE=\"\r\n";
}

constexpr std::string_view pageEnd = "\r\n\">\r\n</APPLET>\r\n</BODY>\r\n</HTML>\r\n";

void checkPage(const std::string& page, const Input& input, std::string_view record) {
    const std::string start = expectedPageStart(input);
    check(page.starts_with(start), "the page's first seven lines follow the layout", page);
    check(page.ends_with(pageEnd), "the page's last four lines follow the layout", page);
    check(page.size() >= start.size() + pageEnd.size(), "the page holds its layout", page);
    const std::string_view line8 =
        std::string_view(page).substr(start.size(), page.size() - start.size() - pageEnd.size());
    const std::optional<std::string> decoded = decodedHtml(line8);
    check(decoded.has_value(), "the record in the page is HTML-escaped", line8);
    check(*decoded == record, "line 8, decoded, is the record buffer's text", line8);
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

void writeFile(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    check(file.good(), "the fuzzer writes its source file");
}

// A folder for one input, in memory where the system has such a folder,
// removed with its contents when the input is done.
class WorkFolder {
  public:
    WorkFolder() {
        std::error_code error;
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", error)
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        std::string pattern = (base / "tervanil-fuzz-XXXXXX").native();
        check(::mkdtemp(pattern.data()) != nullptr, "the fuzzer makes its work folder");
        m_path = pattern;
    }
    ~WorkFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;
    const std::filesystem::path& path() const { return m_path; }

  private:
    std::filesystem::path m_path;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Input input = decodeInput(std::string_view(reinterpret_cast<const char*>(data), size));
    const ConversionOptions& options = input.options;

    // Load and rework in memory.
    tervanil::TextBuffer buffer;
    buffer.loadFromBytes(input.record, options.codePage);
    const std::string loaded = buffer.text();
    const std::string_view cut = input.record.substr(0, input.record.find('\0'));
    check(loaded.size() >= cut.size(), "a load drops no byte before the first NUL", loaded);
    const bool replaced = tervanil::ReworkRecord(buffer, options);
    checkRework(loaded, buffer.text(), replaced, options);

    // The same record through the file road, page included.
    const WorkFolder work;
    const std::filesystem::path& folder = work.path();
    const std::filesystem::path output = folder / "out";
    std::filesystem::create_directory(output);
    writeFile(folder / input.sourceName, input.record);
    tervanil::WorkBuffers buffers;
    tervanil::WritePage(folder, input.sourceName, tervanil::appletTag(options), output, options,
                        buffers);
    check(buffers.record.text() == buffer.text(),
          "loading the file gives what loading the bytes gives");
    check(buffers.page.empty(), "the page buffer is emptied after a save");
    const std::string pageName = input.sourceName.substr(0, input.sourceName.size() - 3) + "htm";
    std::vector<std::string> written;
    for (const auto& entry : std::filesystem::directory_iterator(output))
        written.push_back(entry.path().filename().native());
    check(written == std::vector<std::string>{pageName}, "a save leaves the page and nothing else");
    checkPage(readFile(output / pageName), input, buffer.text());
    return 0;
}
