#pragma once

#include "mainframe/timeddlgbase.h"

#include <wx/timer.h>

// A question that answers itself: it counts down once a second and, at 0,
// ends with its default answer. Its own wait loop keeps the program's timers
// and events running while it is shown.
class TimedDlg : public TimedDlgBase
{
public:
    // The button flags of the style (wxOK, wxYES, wxNO, wxCANCEL) give the
    // button row; wxSTAY_ON_TOP keeps the question above other windows.
    TimedDlg(wxWindow* parent, const wxString& message, const wxString& caption, long style,
             const wxPoint& pos = wxDefaultPosition);

    void SetTimeout(int seconds) { m_seconds = seconds; }
    int GetSecondsLeft() const { return m_seconds; }
    // The count-down text, with one "%u" for the seconds left.
    void SetFormat(const wxString& format) { m_format = format; }
    void SetDefault(int id) { m_defaultId = id; }
    // The time between two steps of the count-down; a second unless a test
    // shortens it.
    void SetTickInterval(int milliseconds) { m_tickMs = milliseconds; }

    // Test hooks get the dialog first (as for any modal dialog); otherwise
    // runs the count-down.
    int ShowModal() override;
    // Shows the dialog with every other window disabled and waits for a
    // button, the close box or the end of the count-down; returns the answer.
    int RunCountDown();

    wxString GetMessage() const { return m_messageText->GetValue(); }
    wxString GetCountDownText() const { return m_countDownText->GetValue(); }

protected:
    void OnTick(wxTimerEvent& event);
    void OnButton(wxCommandEvent& event);
    void OnCloseBox(wxCloseEvent& event);

private:
    void ShowSecondsLeft();

    wxTimer m_timer;
    int m_seconds = 0;
    wxString m_format;
    int m_defaultId = wxID_OK;
    int m_tickMs = 1000;
};
