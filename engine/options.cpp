#include "options.h"

namespace tervanil {

AppletProfile appletProfile(Applet applet, Language language) {
    if (applet == Applet::Orbanel)
        return {"575", "454", "Orbanel", "Orbanel.Orbanel.class"};
    if (language == Language::English)
        return {"399", "492", "Dunmeris", "Quillamy.Quillamy.class"};
    return {"399", "545", "Dunmeris", "Quillamy.QuillamyJpn.class"};
}

} // namespace tervanil
