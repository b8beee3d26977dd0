#pragma once

#include <wx/dialog.h>
#include <wx/sizer.h>
#include <wx/textctrl.h>

// Layout of the count-down question: the message over the count-down line.
class TimedDlgBase : public wxDialog
{
public:
    TimedDlgBase(wxWindow* parent, wxWindowID id = wxID_ANY, const wxString& title = wxEmptyString,
                 const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxSize(280, 150),
                 long style = wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX);

protected:
    wxBoxSizer* m_mainSizer;
    wxTextCtrl* m_messageText;
    wxTextCtrl* m_countDownText;
};
