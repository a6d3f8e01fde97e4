#pragma once
// The in-page replay viewer (viewer/tervanil-viewer.js), built into the
// program so that a run can write it beside the pages that load it.

#include <string_view>

namespace tervanil {

/// The script's file name beside the pages.
inline constexpr const char* viewerScriptName = "tervanil-viewer.js";

/// The bytes of tervanil-viewer.js.
std::string_view viewerScript();

} // namespace tervanil
