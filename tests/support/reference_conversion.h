#pragma once
// The whole-buffer conversion that the streaming stages must match byte for
// byte: load, rework and page over whole texts.

#include "options.h"

#include <optional>
#include <string>
#include <string_view>

namespace reference {

/// The file's bytes as a load leaves them: cut at the first NUL, line breaks
/// normalised in `codePage`.
std::string loadedText(std::string_view bytes, tervanil::CodePage codePage);

/// The reworked record, or nothing when the text is embedded as loaded.
std::optional<std::string> reworkedRecord(std::string_view record,
                                          const tervanil::ConversionOptions& options);

/// The whole page that a source of these bytes gives.
std::string page(std::string_view sourceName, std::string_view sourceBytes,
                 const tervanil::ConversionOptions& options);

} // namespace reference
