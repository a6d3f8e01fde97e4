#pragma once
// Code pages matter only for where a double-byte character begins: under
// Shift-JIS a lead byte takes the byte after it along, so that byte is never
// read as a line break, a bracket or an escape.

#include <optional>
#include <string_view>

namespace tervanil {

enum class CodePage { SingleByte, ShiftJis };

/// `c` with an ASCII capital made small; every other byte as it is.
constexpr char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

/// True when `byte` opens a double-byte character in `codePage`.
constexpr bool isLeadByte(CodePage codePage, unsigned char byte) {
    return codePage == CodePage::ShiftJis &&
           ((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC));
}

/// The code page named by a charset such as "Shift_JIS" or "UTF-8" (any case);
/// nothing for a name this system does not know.
std::optional<CodePage> codePageNamed(std::string_view charset);

/// The code page of the user's locale (LC_CTYPE from the environment).
CodePage systemCodePage();

} // namespace tervanil
