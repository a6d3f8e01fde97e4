#include "code_page.h"

#include <clocale>
#include <langinfo.h>

namespace tervanil {
namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    return true;
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           equalsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

} // namespace

std::optional<CodePage> codePageNamed(std::string_view charset) {
    for (std::string_view name :
         {"Shift_JIS", "SHIFT-JIS", "SJIS", "CP932", "Windows-31J", "MS932"})
        if (equalsIgnoringCase(charset, name))
            return CodePage::ShiftJis;
    for (std::string_view name : {"UTF-8", "UTF8", "US-ASCII", "ASCII", "ANSI_X3.4-1968"})
        if (equalsIgnoringCase(charset, name))
            return CodePage::SingleByte;
    if (startsWithIgnoringCase(charset, "ISO-8859-") || startsWithIgnoringCase(charset, "ISO8859-"))
        return CodePage::SingleByte;
    return std::nullopt;
}

CodePage systemCodePage() {
    std::setlocale(LC_CTYPE, "");
    const char* codeset = nl_langinfo(CODESET);
    if (codeset != nullptr && codePageNamed(codeset) == CodePage::ShiftJis)
        return CodePage::ShiftJis;
    return CodePage::SingleByte;
}

} // namespace tervanil
