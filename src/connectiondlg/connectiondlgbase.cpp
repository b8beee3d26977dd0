#include "connectiondlg/connectiondlgbase.h"

ConnectionDlgBase::ConnectionDlgBase(wxWindow* parent, wxWindowID id, const wxString& title,
                                     const wxPoint& pos, const wxSize& size, long style)
    : wxDialog(parent, id, title, pos, size, style)
{
    this->SetSizeHints(wxDefaultSize, wxDefaultSize);

    wxBoxSizer* mainSizer = new wxBoxSizer(wxVERTICAL);

    wxBoxSizer* fileSizer = new wxBoxSizer(wxHORIZONTAL);
    m_fileLabel = new wxStaticText(this, wxID_ANY, wxT("File:"), wxDefaultPosition, wxDefaultSize, 0);
    fileSizer->Add(m_fileLabel, 0, wxALL | wxALIGN_CENTER_VERTICAL, 5);
    m_fileText = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                                wxTE_READONLY);
    fileSizer->Add(m_fileText, 1, wxALL, 5);
    mainSizer->Add(fileSizer, 0, wxEXPAND, 5);

    m_statusText = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                                  wxTE_MULTILINE | wxTE_READONLY | wxTE_DONTWRAP | wxTE_NO_VSCROLL);
    mainSizer->Add(m_statusText, 1, wxALL | wxEXPAND, 5);

    wxBoxSizer* buttonSizer = new wxBoxSizer(wxHORIZONTAL);
    buttonSizer->Add(0, 0, 1, wxEXPAND, 5);
    m_actionButton = new wxButton(this, wxID_ANY, wxT("Download"), wxDefaultPosition, wxDefaultSize, 0);
    buttonSizer->Add(m_actionButton, 0, wxALL, 5);
    buttonSizer->Add(0, 0, 1, wxEXPAND, 5);
    m_cancelButton = new wxButton(this, ID_CANCEL_BUTTON, wxT("Cancel"), wxDefaultPosition,
                                  wxDefaultSize, 0);
    buttonSizer->Add(m_cancelButton, 0, wxALL, 5);
    buttonSizer->Add(0, 0, 1, wxEXPAND, 5);
    mainSizer->Add(buttonSizer, 0, wxEXPAND, 5);

    this->SetSizer(mainSizer);
    this->Layout();

    // Connect Events
    this->Bind(wxEVT_CLOSE_WINDOW, &ConnectionDlgBase::OnClose, this);
    m_actionButton->Bind(wxEVT_BUTTON, &ConnectionDlgBase::OnButton, this);
    m_cancelButton->Bind(wxEVT_BUTTON, &ConnectionDlgBase::OnButton, this);
}

ConnectionDlgBase::~ConnectionDlgBase()
{
    // Disconnect Events
    this->Unbind(wxEVT_CLOSE_WINDOW, &ConnectionDlgBase::OnClose, this);
    m_actionButton->Unbind(wxEVT_BUTTON, &ConnectionDlgBase::OnButton, this);
    m_cancelButton->Unbind(wxEVT_BUTTON, &ConnectionDlgBase::OnButton, this);
}
