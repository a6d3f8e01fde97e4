#pragma once
// Texts carried from one character set into another: the typed texts (startup
// message, moves and number) into the character set of each record, and the
// texts of records into UTF-8 for the run's index. A byte sequence that is not
// valid in the source set, and a character the target set cannot hold, each
// become "?": nothing is dropped, and no half character can take the byte
// after it (an SGF value's closing "]") along.

#include "code_page.h"

#include <string>
#include <string_view>

namespace tervanil {

/// The iconv name of the system's character set: the codeset of LC_CTYPE as the
/// environment sets it, read once.
const std::string& systemCharset();

/// `charset` named the way this system hands it to iconv: every Shift-JIS name
/// as "CP932" (whose 0x5C is the backslash), every UTF-8 name as "UTF-8", other
/// names in upper case; an empty name is the system's.
std::string canonicalCharset(std::string_view charset);

/// The character set the texts of a record are in: the one its CA names when
/// records are read in it, else the one of the code page it is read in, which
/// is the system's when the two agree (and UTF-8 for single bytes otherwise).
std::string recordCharset(std::string_view namedCharset, CodePage readIn);

/// Whether a record naming `namedCharset` is read in a character set other than
/// the system's.
bool namesOtherThanSystemCharset(std::string_view namedCharset);

struct Transcoded {
    std::string bytes;
    bool invalid = false;       // bytes not valid in the source set became "?"
    bool unconvertible = false; // characters the target set lacks became "?"
    bool replaced() const { return invalid || unconvertible; }
};

/// `text`, written in the character set `from`, as `to` writes it (iconv names,
/// empty for the system's). Where both are the same set, the valid bytes stay
/// exactly as they are. A set iconv does not know leaves the text unchanged.
Transcoded transcoded(std::string_view text, std::string_view from, std::string_view to);

} // namespace tervanil
