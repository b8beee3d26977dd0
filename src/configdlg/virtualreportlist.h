#pragma once

#include <wx/listctrl.h>

#include <functional>

// A report list that asks for the text of a cell only when it shows it:
// filling it is setting its row count, and a change costs one row, however
// many rows there are.
class VirtualReportList : public wxListCtrl
{
public:
    using CellText = std::function<wxString(long row, long column)>;

    VirtualReportList(wxWindow* parent, wxWindowID id, long style);

    // Where the texts come from; rows without a source are empty.
    void SetCellText(CellText cellText) { m_cellText = std::move(cellText); }

protected:
    wxString OnGetItemText(long item, long column) const override;

private:
    CellText m_cellText;
};
