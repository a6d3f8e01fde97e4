#pragma once
// The rework of one SGF record for embedding in a page: the option values go
// into the root node as extra properties, and the moves are laid out ten nodes
// to a line. The record is handled as text, but values are opaque: no byte
// inside a property value is changed, and none steers the rework. The stages
// that do it on a stream are in root_stage.h and move_stages.h.

#include "options.h"
#include "text_buffer.h"

#include <optional>
#include <string>
#include <string_view>

namespace tervanil {

namespace detail {
/// The reworked form of `record` (line breaks as a load leaves them), or
/// nothing when it holds no opening "(" ";" with a node-starting ";" behind it.
std::optional<std::string> reworkedRecord(std::string_view record,
                                          const ConversionOptions& options);
} // namespace detail

/// Reworks the record buffer in place; leaves it untouched when there is no
/// root node to work on. Returns whether the text was replaced.
bool ReworkRecord(TextBuffer& recordBuffer, const ConversionOptions& options);

/// The root-node properties that `options` call for, given a root header that
/// already holds those of `present`. Each begins with CR LF. The typed texts go
/// in `recordCharset` (iconv's name; empty for the system's), escaped as SGF
/// values in `options.codePage`.
struct RootTags {
    bool go = false, cl = false, qs = false, ne = false, as = false;
};
std::string rootAdditions(const RootTags& present, const ConversionOptions& options,
                          std::string_view recordCharset = {});

} // namespace tervanil
