#pragma once

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

// Layout of the projector file updater: builds the controls and connects
// their events to virtual handlers that only pass the event on.
class ConnectionDlgBase : public wxDialog
{
protected:
    enum
    {
        ID_CANCEL_BUTTON = 1000,
    };

    wxStaticText* m_fileLabel;
    wxTextCtrl* m_fileText;
    wxTextCtrl* m_statusText;
    wxButton* m_actionButton;
    wxButton* m_cancelButton;

    // Virtual event handlers, override them in your derived class
    virtual void OnClose(wxCloseEvent& event) { event.Skip(); }
    virtual void OnButton(wxCommandEvent& event) { event.Skip(); }

public:
    ConnectionDlgBase(wxWindow* parent, wxWindowID id = wxID_ANY,
                      const wxString& title = wxT("Projector File Updater"),
                      const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxSize(267, 188),
                      long style = wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX);
    ~ConnectionDlgBase() override;
};
