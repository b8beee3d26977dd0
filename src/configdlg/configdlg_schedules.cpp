// The "Schedules" page: the list mirrors theScheduleList row for row (the
// list control asks for a row's texts when it shows the row); every change
// goes to the list first, then to its row, then to the settings file.

#include "configdlg/configdlg.h"

#include "schedule/schedulestore.h"
#include "schedule/wallclock.h"
#include "scheduledlg/scheduleeditdlg.h"
#include "settings/settings.h"

namespace {

enum ScheduleColumn
{
    COLUMN_NAME,
    COLUMN_ENABLED,
    COLUMN_REPEAT,
    COLUMN_TIME,
    COLUMN_DAYS,
    COLUMN_DATE_START,
    COLUMN_DATE_STOP,
};

struct ColumnHeading
{
    const char* title;
    int width;
};

const ColumnHeading COLUMNS[] = {
    {"Name", 100}, {"Enabled", 60}, {"Repeat", 60}, {"Time", 60}, {"Days", 80}, {"Date Start", 80}, {"Date Stop", 80},
};

wxString CellText(const Schedule& s, long column)
{
    switch (column)
    {
    case COLUMN_NAME:
        return s.name;
    case COLUMN_ENABLED:
        return s.enabled ? "Y" : "N";
    case COLUMN_REPEAT:
        return RepeatDisplayName(s);
    case COLUMN_TIME:
        return FormatTimeOfDay(s.StartSecondOfDay());
    case COLUMN_DAYS:
        return DaysLetters(s);
    case COLUMN_DATE_START:
        return s.startTime.Format("%x");
    case COLUMN_DATE_STOP:
        return s.stopTime == ScheduleNeverTime ? wxString("-") : s.stopTime.Format("%x");
    default:
        return wxString();
    }
}

} // namespace

void ConfigDlg::FillSchedulesPage()
{
    for (long column = 0; column < long(sizeof COLUMNS / sizeof COLUMNS[0]); ++column)
        m_scheduleList->InsertColumn(column, COLUMNS[column].title, wxLIST_FORMAT_LEFT, COLUMNS[column].width);
    m_scheduleList->SetCellText([](long row, long column) {
        return row >= 0 && size_t(row) < theScheduleList.size() ? CellText(theScheduleList[size_t(row)], column)
                                                                 : wxString();
    });
    m_scheduleList->SetItemCount(static_cast<long>(theScheduleList.size()));
    m_scheduleEditButton->Disable();
    m_scheduleDeleteButton->Disable();
    m_enableSchedulesBox->SetValue(GetSchedulesEnabled());
}

void ConfigDlg::ShowScheduleRow(long index)
{
    wxASSERT_MSG(index >= 0 && size_t(index) < theScheduleList.size(), "index < ScheduleList size");
    if (index < 0 || size_t(index) >= theScheduleList.size())
        return;
    if (m_scheduleList->GetItemCount() <= index)
        m_scheduleList->SetItemCount(index + 1);
    m_scheduleList->RefreshItem(index);
}

void ConfigDlg::EditSchedule(long index)
{
    Schedule record;
    if (index >= 0)
        record = theScheduleList.at(size_t(index));

    {
        ScheduleEditDlg editor(this);
        editor.SetSchedule(record);
        editor.CentreOnParent(wxBOTH);
        if (editor.ShowModal() == wxID_CANCEL)
            return;
        record = editor.GetSchedule();
    }
    record.ComputeNext();

    if (index < 0)
    {
        theScheduleList.push_back(record);
        index = static_cast<long>(theScheduleList.size() - 1);
    }
    else
        theScheduleList[size_t(index)] = record;
    ShowScheduleRow(index);
    StoreSchedule(theScheduleList, size_t(index));
    FlushSettings();
}

long ConfigDlg::SelectedScheduleRow() const
{
    return m_scheduleList->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
}

void ConfigDlg::OnEnableSchedules(wxCommandEvent&)
{
    SetSchedulesEnabled(m_enableSchedulesBox->GetValue());
}

void ConfigDlg::OnScheduleSelected(wxListEvent&)
{
    m_scheduleEditButton->Enable();
    m_scheduleDeleteButton->Enable();
}

void ConfigDlg::OnScheduleDeselected(wxListEvent&)
{
    m_scheduleEditButton->Disable();
    m_scheduleDeleteButton->Disable();
}

void ConfigDlg::OnScheduleNew(wxCommandEvent&)
{
    EditSchedule(-1);
}

void ConfigDlg::OnScheduleEdit(wxCommandEvent&)
{
    const long row = SelectedScheduleRow();
    if (row >= 0)
        EditSchedule(row);
}

void ConfigDlg::OnScheduleDelete(wxCommandEvent&)
{
    const long row = SelectedScheduleRow();
    if (row < 0 || size_t(row) >= theScheduleList.size())
        return;
    theScheduleList.erase(theScheduleList.begin() + row);
    m_scheduleList->DeleteItem(row);
    StoreSchedulesFrom(theScheduleList, size_t(row));
    FlushSettings();

    // The toolkit reports no deselection for a deleted row.
    const bool selected = SelectedScheduleRow() >= 0;
    m_scheduleEditButton->Enable(selected);
    m_scheduleDeleteButton->Enable(selected);
}

void ConfigDlg::OnScheduleDeleteAll(wxCommandEvent&)
{
    theScheduleList.clear();
    m_scheduleList->DeleteAllItems();
    ClearStoredSchedules();
    FlushSettings();
    m_scheduleEditButton->Disable();
    m_scheduleDeleteButton->Disable();
}
