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

void SessionWatch::OnSessionOver()
{
    if (MainFrame* frame = MainFrame::Find())
        frame->EndSessionNow();
    else
        wxTheApp->ExitMainLoop();
}

void SessionWatch::OnMachineShutdown()
{
    if (MainFrame* frame = MainFrame::Find())
        frame->TurnOffForShutdown();
}
