#include "configdlg/virtualreportlist.h"

VirtualReportList::VirtualReportList(wxWindow* parent, wxWindowID id, long style)
    : wxListCtrl(parent, id, wxDefaultPosition, wxDefaultSize, style | wxLC_REPORT | wxLC_VIRTUAL)
{
}

wxString VirtualReportList::OnGetItemText(long item, long column) const
{
    return m_cellText ? m_cellText(item, column) : wxString();
}
