#pragma once
// The rework of one SGF record for embedding in a page: the option values go
// into the root node as extra properties, and the moves are laid out ten nodes
// to a line. The record is handled as text, but values are opaque: no byte
// inside a property value is changed, and none steers the rework.

#include "options.h"
#include "text_buffer.h"

#include <optional>
#include <string>
#include <string_view>

namespace tervanil {

/// How a record is read: the CA value of its root node (empty when there is
/// none) and the code page taken.
struct RecordReading {
    std::string namedCharset;
    CodePage readIn = CodePage::SingleByte;
};

/// The reworked form of `record` (line breaks as a load leaves them), or
/// nothing when it holds no opening "(" ";" with a node-starting ";" behind it.
std::optional<std::string> reworkedRecord(std::string_view record, const ConversionOptions& options,
                                          RecordReading* reading = nullptr);

/// Reworks the record buffer in place; leaves it untouched when there is no
/// root node to work on. Returns whether the text was replaced.
bool ReworkRecord(TextBuffer& recordBuffer, const ConversionOptions& options,
                  RecordReading* reading = nullptr);

/// The root-node properties that `options` call for, given a root header that
/// already holds those of `present`. Each begins with CR LF. The typed texts go
/// in `recordCharset` (iconv's name; empty for the system's), escaped for
/// `options.codePage`.
struct RootTags {
    bool go = false, cl = false, qs = false, ne = false, as = false;
};
std::string rootAdditions(const RootTags& present, const ConversionOptions& options,
                          std::string_view recordCharset = {});

/// `text` as an SGF value: "\" and "]" escaped, double-byte characters of
/// `codePage` copied whole.
std::string sgfEscaped(std::string_view text, CodePage codePage);

} // namespace tervanil
