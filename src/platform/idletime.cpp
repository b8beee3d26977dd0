#include "platform/idletime.h"

#include <wx/utils.h>

std::unique_ptr<IdleTimeSource> OpenIdleTimeSource(std::string& why)
{
    const wxDisplayInfo display = wxGetDisplayInfo();
    std::unique_ptr<IdleTimeSource> source;
    if (display.type == wxDisplayX11)
        source = OpenX11IdleTime(display.dpy, why);
    else if ((source = OpenGnomeIdleTime(why)) == nullptr)
        why = "GNOME's idle monitor does not answer: " + why;
    return source;
}
