#include "mainframe/timeddlg.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/evtloop.h>
#include <wx/modalhook.h>
#include <wx/utils.h>

namespace {

constexpr long BUTTON_FLAGS = wxOK | wxYES | wxNO | wxCANCEL;

// Handles what the toolkit has pending. A yield further up the stack makes
// the toolkit refuse another one, so the loop's events are then dispatched
// one by one.
void ProcessToolkitEvents()
{
    wxEventLoopBase* loop = wxEventLoopBase::GetActive();
    if (loop != nullptr && loop->IsYielding())
    {
        while (loop->Pending())
            loop->Dispatch();
        wxTheApp->ProcessPendingEvents();
        return;
    }
    wxTheApp->Yield(true);
}

} // namespace

TimedDlg::TimedDlg(wxWindow* parent, const wxString& message, const wxString& caption, long style,
                   const wxPoint& pos)
    : TimedDlgBase(parent, wxID_ANY, caption, pos, wxSize(280, 150),
                   wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX | (style & wxSTAY_ON_TOP)),
      m_timer(this)
{
    m_messageText->SetValue(message);
    if (wxSizer* buttons = CreateStdDialogButtonSizer(style & BUTTON_FLAGS))
        m_mainSizer->Add(buttons, 0, wxALIGN_CENTER_HORIZONTAL | wxALL, 5);
    Layout();

    Bind(wxEVT_TIMER, &TimedDlg::OnTick, this, m_timer.GetId());
    Bind(wxEVT_BUTTON, &TimedDlg::OnButton, this);
    Bind(wxEVT_CLOSE_WINDOW, &TimedDlg::OnCloseBox, this);
}

int TimedDlg::ShowModal()
{
    const int hooked = wxModalDialogHook::CallEnter(this);
    if (hooked != wxID_NONE)
        return hooked;
    const int answer = RunCountDown();
    wxModalDialogHook::CallExit(this);
    return answer;
}

int TimedDlg::RunCountDown()
{
    SetReturnCode(0);
    ShowSecondsLeft();
    {
        wxWindowDisabler modal(this);
        Show();
        Raise();
        m_timer.StartOnce(m_tickMs);
        while (GetReturnCode() == 0)
        {
            ProcessToolkitEvents();
            if (GetReturnCode() == 0)
                wxMilliSleep(100);
        }
        m_timer.Stop();
    }
    Hide();
    return GetReturnCode();
}

void TimedDlg::ShowSecondsLeft()
{
    m_countDownText->SetValue(wxString::Format(m_format, static_cast<unsigned>(m_seconds < 0 ? 0 : m_seconds)));
}

void TimedDlg::OnTick(wxTimerEvent&)
{
    --m_seconds;
    ShowSecondsLeft();
    if (m_seconds <= 0)
        SetReturnCode(m_defaultId);
    else
        m_timer.StartOnce(m_tickMs);
}

void TimedDlg::OnButton(wxCommandEvent& event)
{
    m_timer.Stop();
    SetReturnCode(event.GetId());
}

void TimedDlg::OnCloseBox(wxCloseEvent&)
{
    // The close box, or the end of the session closing every dialog.
    m_timer.Stop();
    SetReturnCode(wxID_CANCEL);
}
