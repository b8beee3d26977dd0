// The "Schedules" page: the list mirrors theScheduleList row for row; every
// change goes to the list first, then to its row, then to the settings file.

#include "configdlg/configdlg.h"

#include "schedule/scheduleeditdlg.h"
#include "schedule/schedulestore.h"
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

} // namespace

void ConfigDlg::FillSchedulesPage()
{
    for (long column = 0; column < long(sizeof COLUMNS / sizeof COLUMNS[0]); ++column)
        m_scheduleList->InsertColumn(column, COLUMNS[column].title, wxLIST_FORMAT_LEFT, COLUMNS[column].width);
    for (size_t index = 0; index < theScheduleList.size(); ++index)
        ShowScheduleRow(static_cast<long>(index));
    m_scheduleEditButton->Disable();
    m_scheduleDeleteButton->Disable();
    m_enableSchedulesBox->SetValue(GetSchedulesEnabled());
}

void ConfigDlg::ShowScheduleRow(long index)
{
    wxASSERT_MSG(index >= 0 && size_t(index) < theScheduleList.size(), "index < ScheduleList size");
    if (index < 0 || size_t(index) >= theScheduleList.size())
        return;
    while (m_scheduleList->GetItemCount() <= index)
        m_scheduleList->InsertItem(m_scheduleList->GetItemCount(), wxString());

    const Schedule& s = theScheduleList[size_t(index)];
    m_scheduleList->SetItem(index, COLUMN_NAME, s.name);
    m_scheduleList->SetItem(index, COLUMN_ENABLED, s.enabled ? "Y" : "N");
    m_scheduleList->SetItem(index, COLUMN_REPEAT, RepeatDisplayName(s));
    m_scheduleList->SetItem(index, COLUMN_TIME, s.startTime.Format("%X"));
    m_scheduleList->SetItem(index, COLUMN_DAYS, DaysLetters(s));
    m_scheduleList->SetItem(index, COLUMN_DATE_START, s.startTime.Format("%x"));
    m_scheduleList->SetItem(index, COLUMN_DATE_STOP,
                            s.stopTime == ScheduleNeverTime ? wxString("-") : s.stopTime.Format("%x"));
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
    SaveSchedule(record, static_cast<unsigned>(index));
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

    ClearStoredSchedules();
    for (size_t index = 0; index < theScheduleList.size(); ++index)
        SaveSchedule(theScheduleList[index], static_cast<unsigned>(index));
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
