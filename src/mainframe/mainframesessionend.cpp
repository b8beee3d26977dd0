// The end of the program and of the session: the count-down question, the
// room's power-off and the closing of every window.

#include "mainframe/mainframe.h"

#include "mainframe/axttaskbaricon.h"
#include "mainframe/modaldialogs.h"
#include "mainframe/panelstatus.h"
#include "mainframe/timeddlg.h"
#include "session/sessionending.h"

#include <wx/app.h>
#include <wx/evtloop.h>

namespace {

constexpr int POWER_OFF_ATTEMPTS = 10;
constexpr long POWER_OFF_RETRY_MS = 50;
constexpr int END_RETRY_MS = 100;

// True when no modal loop or yield of a caller is on the stack, so that a
// window destroyed now is not used again by code still running. Without any
// loop (tests drive the events themselves) nothing is nested either.
bool NoCallerWaiting()
{
    const wxEventLoopBase* active = wxEventLoopBase::GetActive();
    if (active == nullptr)
        return true;
    return active == wxTheApp->GetMainLoop() && !active->IsYielding();
}

} // namespace

void MainFrame::OnQueryEndSession(wxCloseEvent&)
{
}

void MainFrame::EndSessionNow()
{
    wxCloseEvent end(wxEVT_END_SESSION, GetId());
    end.SetEventObject(this);
    end.SetCanVeto(false);
    OnEndSession(end);
}

bool MainFrame::IsPowerOn() const
{
    const int power = thePanelStatus.powerState;
    return power == PANEL_POWER_ON || power == PANEL_POWER_ON + PANEL_POWER_REPEATED;
}

void MainFrame::OnEndSession(wxCloseEvent& event)
{
    if (m_asking)
    {
        // Another notice while the question is open (its loop runs the
        // events): an end that cannot be refused takes the answer's Cancel away.
        if (event.CanVeto())
            event.Veto();
        else
            m_endForced = true;
        return;
    }
    if (!theSessionEnding && !m_askedForSession && IsPowerOn())
    {
        const int answer = AskToTurnOff(event.CanVeto());
        if (answer == wxID_CANCEL && event.CanVeto() && !m_endForced)
        {
            event.Veto();
            return; // the program goes on running
        }
    }

    m_scheduleTimer.Stop();
    m_statusTimer.Stop();
    theSessionEnding = true;

    if (CloseOtherWindows() == 0 && NoCallerWaiting())
    {
        // Gone from the tray at once; the icon itself may be the one whose
        // menu event is being handled, so it is deleted with the window.
        if (m_taskBarIcon != nullptr)
            m_taskBarIcon->RemoveIcon();
        Destroy();
        wxTheApp->ExitMainLoop();
        return;
    }
    // Dialogs still returning through their callers: look again shortly
    // (the status timer, seeing the flag, brings this handler back).
    m_statusTimer.StartOnce(END_RETRY_MS);
}

int MainFrame::AskToTurnOff(bool canVeto)
{
    Show();
    Raise();
    wxString message = canVeto ? "The Aulavox system is still active."
                               : "The session is ending and the Aulavox system is active.";
    message += "\nWould you like to turn it off?";
    long style = wxSTAY_ON_TOP | wxYES_NO | wxICON_EXCLAMATION | wxCENTRE;
    if (canVeto)
        style |= wxCANCEL;

    m_asking = true;
    m_endForced = false;
    int answer = wxID_CANCEL;
    {
        TimedDlg dialog(this, message, "Aulavox Kesto", style, wxDefaultPosition);
        dialog.SetTimeout(10);
        dialog.SetFormat("Turning off in %u seconds");
        dialog.SetDefault(wxID_YES);
        answer = dialog.ShowModal();
        if (answer == wxID_YES)
            TurnOffRoom("session-end");
    }
    m_asking = false;
    return answer;
}

CommResult MainFrame::TurnOffRoom(const char* campusEvent)
{
    CommResult result = COMM_OK;
    for (int attempt = 0; attempt < POWER_OFF_ATTEMPTS; ++attempt)
    {
        if (attempt > 0)
            WaitMilliseconds(POWER_OFF_RETRY_MS);
        result = thePanelComm->SetPower(PANEL_POWER_OFF, POLL_COMMAND_MS, POLL_COMMAND_COUNT);
        if (result == COMM_OK)
            break;
    }
    if (result == COMM_OK)
    {
        // The campus sees the room off; the window keeps what the box reports.
        PanelStatus off = thePanelStatus;
        off.powerState = 2;
        off.reportedPower = 0;
        FeedCampus(off);
    }
    PublishCampusEvent(campusEvent, {{"action", "power off"}, {"result", result == COMM_OK ? "done" : "failed"}});
    return result;
}

int MainFrame::CloseOtherWindows()
{
    int count = 0;
    const wxWindowList windows = wxTopLevelWindows; // closing may change the list
    for (wxWindow* window : windows)
    {
        if (window == this || wxTheApp->IsScheduledForDestruction(window))
            continue;
        wxDialog* dialog = dynamic_cast<wxDialog*>(window);
        // A modal dialog is ended below; a hidden window that no loop waits
        // for is on its way out already.
        if ((dialog && dialog->IsModal()) || !window->IsShown())
            continue;
        ++count;
        window->Close(true);
    }
    // A dialog lives on its caller's stack: end its loop and let the caller
    // return and see the flag; never delete it from here. Only the innermost
    // loop can end now; the outer ones follow on the next rounds.
    if (wxDialog* innermost = InnermostModalDialog())
    {
        ++count;
        innermost->EndModal(wxID_CANCEL);
    }
    return count;
}

void MainFrame::AskBeforeSessionEnds(bool mayAsk)
{
    if (m_asking || theSessionEnding)
        return;
    m_endForced = false;
    // Set first: a logout called off while the question is open clears it.
    m_askedForSession = true;
    if (mayAsk && IsPowerOn())
        AskToTurnOff(false);
    else if (IsPowerOn())
        TurnOffRoom("session-end");
    if (m_endForced)
        EndSessionNow(); // the session's last word came while asking
}

void MainFrame::SessionEndCancelled()
{
    m_askedForSession = false;
}

void MainFrame::TurnOffForShutdown()
{
    if (IsPowerOn())
        TurnOffRoom("session-end");
}
