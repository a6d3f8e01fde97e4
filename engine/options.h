#pragma once
// The option values of one run, read from the front end as one set when the
// run begins. The defaults are the window's start values.

#include "code_page.h"

#include <string>

namespace tervanil {

enum class Applet { Orbanel, Quillamy };
enum class Language { English, Japanese };

/// What a page offers the browsers that run no applet, behind the PARAM: nothing
/// (the page as it always was), a drawn diagram with the game card, or that
/// diagram replaced by a replay board when scripts run.
enum class Fallback { None, Diagram, Viewer };

/// What choosing an applet (and, for Quillamy, a language) fills in.
struct AppletProfile {
    std::string width;
    std::string height;
    std::string codebase;
    std::string appletClass;
};

AppletProfile appletProfile(Applet applet, Language language);

struct ConversionOptions {
    Applet applet = Applet::Orbanel;
    // Page: the applet tag and the background colour.
    std::string width = "575";
    std::string height = "454";
    std::string codebase = "Orbanel";
    std::string appletClass = "Orbanel.Orbanel.class";
    std::string backgroundColour = "f8e0e0";
    Fallback fallback = Fallback::None;
    // Record: what the rework writes into the root node.
    bool clickable = true;
    bool freeclick = true;
    bool nextWhite = false;
    bool askstyle = false;
    bool advancemoves = false;
    bool number = true;
    std::string startupNumber = "1";
    std::string startupMoves = "0";
    std::string startupMessage;
    /// The code page of typed texts, of loading, and of records that name none.
    CodePage codePage = CodePage::SingleByte;
    /// The character set the typed texts (startup message, moves and number)
    /// are written in, as iconv names it; empty: the system's (the locale's).
    /// The window hands its texts over as "UTF-8".
    std::string typedTextCharset;
};

} // namespace tervanil
