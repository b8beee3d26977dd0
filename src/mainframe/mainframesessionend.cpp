// The tray icon, the end of the program and of the session, the whiteboard.

#include "mainframe/mainframe.h"

#include "mainframe/version.h"
#include "controls/findtoplevel.h"
#include "controls/messagebox.h"
#include "log/log.h"
#include "mainframe/axttaskbaricon.h"
#include "mainframe/modaldialogs.h"
#include "mainframe/panelstatus.h"
#include "session/sessionending.h"
#include "mainframe/timeddlg.h"
#include "mainframe/whiteboardmodedlg.h"
#include "resources.h"

#include <wx/app.h>
#include <wx/evtloop.h>

namespace {

constexpr int ID_TRAY_RESTORE = 10000;
constexpr int ID_TRAY_EXIT = 10001;
constexpr int ID_TRAY_ABOUT = 10002;

const TrayMenuRow TRAY_MENU[] = {
    {0, L"Aulavox", -1},
    {0, L"Restore Kesto", ID_TRAY_RESTORE},
    {0, L"About", ID_TRAY_ABOUT},
    {0, L"", 0},
    {0, L"Exit", ID_TRAY_EXIT},
    {0, nullptr, 0},
};

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

void MainFrame::SetUpTrayIcon()
{
    m_taskBarIcon = new AxtTaskBarIcon;
    if (!m_taskBarIcon->SetIcon(wxBitmapBundle(LoadResourceIcon("AppIcon")), "Aulavox Tech Kesto"))
        theLog->Print(Log::LEVEL_WARNING, "tray icon could not be shown");
    m_taskBarIcon->SetMenuTable(TRAY_MENU);
    m_taskBarIcon->Bind(wxEVT_TASKBAR_LEFT_DCLICK, &MainFrame::OnTrayDoubleClick, this);
    m_taskBarIcon->Bind(wxEVT_MENU, &MainFrame::OnTrayRestore, this, ID_TRAY_RESTORE);
    m_taskBarIcon->Bind(wxEVT_MENU, &MainFrame::OnTrayAbout, this, ID_TRAY_ABOUT);
    m_taskBarIcon->Bind(wxEVT_MENU, &MainFrame::OnTrayExit, this, ID_TRAY_EXIT);

    Bind(wxEVT_END_SESSION, &MainFrame::OnEndSession, this);
    Bind(wxEVT_QUERY_END_SESSION, &MainFrame::OnQueryEndSession, this);
}

void MainFrame::DeleteTrayIcon()
{
    if (m_taskBarIcon == nullptr)
        return;
    m_taskBarIcon->RemoveIcon();
    delete m_taskBarIcon;
    m_taskBarIcon = nullptr;
}

MainFrame* MainFrame::Find()
{
    return FindTopLevel<MainFrame>();
}

bool MainFrame::HasTray() const
{
    return wxTaskBarIcon::IsAvailable();
}

void MainFrame::OnClose(wxCloseEvent& event)
{
    if (!event.CanVeto())
    {
        EndSessionNow(); // the program must end: the room is not left on
        return;
    }
    event.Veto();
    // Without a tray nothing could bring a hidden window back.
    if (HasTray())
        Hide();
    else
        Iconize(true);
}

void MainFrame::OnTrayDoubleClick(wxTaskBarIconEvent&)
{
    wxCommandEvent restore(wxEVT_MENU, ID_TRAY_RESTORE);
    OnTrayRestore(restore);
}

void MainFrame::OnTrayRestore(wxCommandEvent&)
{
    Show();
    if (IsIconized())
        Iconize(false);
    Raise();
}

void MainFrame::OnTrayAbout(wxCommandEvent&)
{
    ShowMessageBox("Aulavox Kesto\nVersion " + theVersionText, "About Aulavox Kesto",
                   wxOK | wxICON_INFORMATION, this);
}

void MainFrame::OnTrayExit(wxCommandEvent&)
{
    wxCloseEvent exit(wxEVT_END_SESSION, GetId());
    exit.SetEventObject(this);
    exit.SetCanVeto(true);
    OnEndSession(exit);
}

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
    return thePanelStatus.powerState == 1 || thePanelStatus.powerState == 3;
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
            TurnOffRoom();
    }
    m_asking = false;
    return answer;
}

CommResult MainFrame::TurnOffRoom()
{
    CommResult result = COMM_OK;
    for (int attempt = 0; attempt < POWER_OFF_ATTEMPTS; ++attempt)
    {
        if (attempt > 0)
            WaitMilliseconds(POWER_OFF_RETRY_MS);
        result = thePanelComm->SetPower(2, POLL_COMMAND_MS, POLL_COMMAND_COUNT);
        if (result == COMM_OK)
            break;
    }
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
        TurnOffRoom();
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
        TurnOffRoom();
}

void MainFrame::RunWhiteboardDialog()
{
    WhiteBoardModeDlg dialog(this, wxID_ANY, "Whiteboard Mode", wxDefaultPosition, wxSize(480, 339),
                             wxCAPTION | wxSYSTEM_MENU | wxMINIMIZE_BOX | wxCLOSE_BOX);
    dialog.Maximize();
    if (dialog.ShowModal() != wxID_OK || theSessionEnding)
        return; // the close box: the projector stays on the chosen source
    wxCommandEvent back(wxEVT_BUTTON, 1);
    OnSource(back);
}
