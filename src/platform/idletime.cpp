#include "platform/idletime.h"

#include <wx/utils.h>

#include <cstdlib>
#include <cstring>

namespace {

// A Wayland desktop: an X server there (XWayland) sees only the input of
// its own clients.
bool WaylandSession()
{
    const char* type = getenv("XDG_SESSION_TYPE");
    return getenv("WAYLAND_DISPLAY") != nullptr || (type != nullptr && strcmp(type, "wayland") == 0);
}

} // namespace

std::unique_ptr<IdleTimeSource> OpenIdleTimeSource(std::string& why)
{
    if (WaylandSession())
    {
        std::unique_ptr<IdleTimeSource> source = OpenGnomeIdleTime(why);
        if (source == nullptr)
            why = "a Wayland session without GNOME's idle monitor (" + why + ")";
        return source;
    }
    const wxDisplayInfo display = wxGetDisplayInfo();
    if (display.type != wxDisplayX11)
    {
        why = "no X display";
        return nullptr;
    }
    return OpenX11IdleTime(display.dpy, why);
}
