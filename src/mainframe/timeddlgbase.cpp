#include "mainframe/timeddlgbase.h"

TimedDlgBase::TimedDlgBase(wxWindow* parent, wxWindowID id, const wxString& title, const wxPoint& pos,
                           const wxSize& size, long style)
    : wxDialog(parent, id, title, pos, size, style)
{
    m_mainSizer = new wxBoxSizer(wxVERTICAL);

    m_messageText = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                                   wxTE_MULTILINE | wxTE_READONLY | wxTE_CENTRE | wxTE_NO_VSCROLL |
                                       wxBORDER_NONE);
    m_mainSizer->Add(m_messageText, 1, wxEXPAND | wxALL, 5);

    m_countDownText = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                                     wxTE_READONLY | wxBORDER_NONE);
    m_mainSizer->Add(m_countDownText, 0, wxEXPAND | wxALL, 5);

    SetSizer(m_mainSizer);
    Layout();
}
