#pragma once

// Include this instead of <wx/testing.h>: wxTEST_DIALOG then uses a hook that
// fails the test on an unexpected dialog *and* cancels it, instead of really
// showing it (which would hang the test).
#define wxTEST_DIALOG_HOOK_CLASS StrictTestingHook
#include <wx/msgdlg.h>
#include <wx/generic/msgdlgg.h>
#include <wx/testing.h>

#include <functional>

class StrictTestingHook : public wxTestingModalHook
{
public:
    using wxTestingModalHook::wxTestingModalHook;

protected:
    int Enter(wxDialog* dialog) override;
    void ReportFailure(const wxString& message) override;
};

// Installed for the whole run by the GUI tests' main(): a dialog shown outside
// wxTEST_DIALOG fails the test and is cancelled.
class UnexpectedDialogHook : public wxModalDialogHook
{
public:
    UnexpectedDialogHook() { Register(); }
    ~UnexpectedDialogHook() override { Unregister(); }

protected:
    int Enter(wxDialog* dialog) override;
    void Exit(wxDialog*) override {}
};

// Expects one of the program's message boxes (wxGenericMessageDialog) with
// this text and caption, and answers it.
class ExpectMessageBox : public wxExpectModalBase<wxGenericMessageDialog, ExpectMessageBox>
{
public:
    ExpectMessageBox(const wxString& message, const wxString& caption, long icon = wxICON_ERROR,
                     int answer = wxID_OK)
        : m_message(message), m_caption(caption), m_icon(icon), m_answer(answer)
    {
    }

protected:
    int OnInvoked(wxGenericMessageDialog* dialog) const override;

private:
    wxString m_message;
    wxString m_caption;
    long m_icon;
    int m_answer;
};

// Processes pending events until the condition holds or the time is up.
// Returns whether the condition held.
bool YieldUntil(const std::function<bool()>& condition, int timeoutMs = 5000);

// Processes the events that are pending now, and those they post.
void FlushEvents();
