#include "app/sessionwatch.h"

#include "mainframe/mainframe.h"

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
    if (MainFrame* frame = MainFrame::Find())
        frame->AskBeforeSessionEnds(mayAsk);
}

void SessionWatch::OnSessionEndCancelled()
{
    if (MainFrame* frame = MainFrame::Find())
        frame->SessionEndCancelled();
}

void EndTheSessionNow()
{
    if (MainFrame* frame = MainFrame::Find())
        frame->EndSessionNow();
    else
        wxTheApp->ExitMainLoop(); // the window is gone already: the loop ends anyway
}

void SessionWatch::OnSessionOver()
{
    EndTheSessionNow();
}

void SessionWatch::OnMachineShutdown()
{
    if (MainFrame* frame = MainFrame::Find())
        frame->TurnOffForShutdown();
}

void SessionWatch::OnMachineResumed()
{
    if (MainFrame* frame = MainFrame::Find())
        frame->RunSchedulesNow();
}
