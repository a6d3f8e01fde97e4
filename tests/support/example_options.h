#pragma once
// The options of the second applet's worked example: clickable without free
// clicks, problem style, white to move, no move numbers, the final position,
// four moves played in advance and a first message.

#include "options.h"

namespace testing_support {

inline tervanil::ConversionOptions secondAppletExampleOptions() {
    using namespace tervanil;
    ConversionOptions options;
    options.applet = Applet::Quillamy;
    const AppletProfile profile = appletProfile(Applet::Quillamy, Language::English);
    options.width = profile.width;
    options.height = profile.height;
    options.codebase = profile.codebase;
    options.appletClass = profile.appletClass;
    options.freeclick = false;
    options.askstyle = true;
    options.nextWhite = true;
    options.number = false;
    options.advancemoves = true;
    options.startupMoves = "4";
    options.startupMessage = "Black to play";
    return options;
}

} // namespace testing_support
