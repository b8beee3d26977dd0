#pragma once

#include <wx/button.h>
#include <wx/dialog.h>

// Covers the screen with one large button that ends the dialog with wxID_OK
// (the way back to "Comp 1"); the close box ends it with wxID_CANCEL.
class WhiteBoardModeDlg : public wxDialog
{
public:
    WhiteBoardModeDlg(wxWindow* parent, wxWindowID id, const wxString& title,
                      const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxSize(480, 339),
                      long style = wxCAPTION | wxSYSTEM_MENU | wxMINIMIZE_BOX | wxCLOSE_BOX);

    wxButton* GetReturnButton() const { return m_returnButton; }

private:
    wxButton* m_returnButton;
};
