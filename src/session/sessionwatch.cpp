#include "session/sessionwatch.h"

#include "controls/findtoplevel.h"
#include "session/sessionwindow.h"

#include <wx/app.h>

SessionWatch::SessionWatch() : m_sessionManager(*this), m_shutdown(*this)
{
}

void SessionWatch::Start(const std::string& programPath)
{
    m_sessionManager.Connect(programPath);
    m_shutdown.Start();
}

void SessionWatch::OnSessionEnding(bool mayAsk)
{
    if (SessionWindow* window = FindTopLevel<SessionWindow>())
        window->AskBeforeSessionEnds(mayAsk);
}

void SessionWatch::OnSessionEndCancelled()
{
    if (SessionWindow* window = FindTopLevel<SessionWindow>())
        window->SessionEndCancelled();
}

void EndTheSessionNow()
{
    if (SessionWindow* window = FindTopLevel<SessionWindow>())
        window->EndSessionNow();
    else
        wxTheApp->ExitMainLoop(); // the window is gone already: the loop ends anyway
}

void SessionWatch::OnSessionOver()
{
    EndTheSessionNow();
}

void SessionWatch::OnMachineShutdown()
{
    if (SessionWindow* window = FindTopLevel<SessionWindow>())
        window->TurnOffForShutdown();
}

void SessionWatch::OnMachineResumed()
{
    if (SessionWindow* window = FindTopLevel<SessionWindow>())
        window->RunSchedulesNow();
}
