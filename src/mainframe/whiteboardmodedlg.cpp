#include "mainframe/whiteboardmodedlg.h"

#include <wx/sizer.h>

WhiteBoardModeDlg::WhiteBoardModeDlg(wxWindow* parent, wxWindowID id, const wxString& title,
                                     const wxPoint& pos, const wxSize& size, long style)
    : wxDialog(parent, id, title, pos, size, style)
{
    wxBoxSizer* sizer = new wxBoxSizer(wxVERTICAL);
    m_returnButton = new wxButton(this, wxID_OK,
                                  "Click here to return projector to computer 1\n\n"
                                  "Close or minimize this window to work at the computer.");
    m_returnButton->SetFont(wxFont(24, wxFONTFAMILY_DEFAULT, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_NORMAL));
    sizer->Add(m_returnButton, 1, wxEXPAND | wxALL, 5);
    SetSizer(sizer);
    Layout();
    // Without a Cancel button the toolkit would turn the close box into a
    // click on the OK button, sending the projector back to "Comp 1".
    SetEscapeId(wxID_NONE);
}
