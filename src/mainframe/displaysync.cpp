#include "mainframe/displaysync.h"

#include <wx/event.h>
#include <wx/evtloop.h>
#include <wx/stopwatch.h>
#include <wx/utils.h>

#include <X11/Xlib.h>

namespace {

constexpr long RUN_STEP_MS = 5;

void LetToolkitRun()
{
    wxEventLoopGuarantor loop; // also before the main loop runs
    if (wxEventLoopBase* active = wxEventLoopBase::GetActive())
        active->YieldFor(wxEVT_CATEGORY_UI);
}

} // namespace

void SyncWithDisplayServer()
{
    LetToolkitRun(); // the toolkit writes out what it holds back
    const wxDisplayInfo display = wxGetDisplayInfo();
    if (display.type == wxDisplayX11 && display.dpy != nullptr)
        XSync(static_cast<Display*>(display.dpy), False);
}

void RunDisplayFor(long milliseconds)
{
    wxStopWatch clock;
    for (;;)
    {
        LetToolkitRun();
        const long left = milliseconds - clock.Time();
        if (left <= 0)
            break;
        wxMilliSleep(static_cast<unsigned long>(left < RUN_STEP_MS ? left : RUN_STEP_MS));
    }
}
