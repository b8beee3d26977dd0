// The configuration dialog's "Schedules" page: its rows mirror the list,
// and every change reaches the settings file at once.

#include "schedule/schedule.h"
#include "schedule/schedulestore.h"
#include "scheduledlg/scheduleeditdlg.h"

#include "configdlg_fixture.h"

#include <algorithm>

namespace {

// Answers the schedule editor: the user's edit gives the record this name,
// then "Ok" or "Cancel". Keeps the name the editor showed.
class AnswerEditor : public wxExpectModalBase<ScheduleEditDlg, AnswerEditor>
{
public:
    AnswerEditor(int answer, const char* name, wxString& shown) : m_answer(answer), m_name(name), m_shown(shown) {}

protected:
    int OnInvoked(ScheduleEditDlg* dialog) const override
    {
        auto text = std::find_if(dialog->GetChildren().begin(), dialog->GetChildren().end(),
                                 [](wxWindow* child) { return dynamic_cast<wxTextCtrl*>(child) != nullptr; });
        m_shown = static_cast<wxTextCtrl*>(*text)->GetValue(); // the name, the first text
        Schedule record = dialog->GetSchedule();
        record.name = m_name;
        dialog->SetSchedule(record); // as if typed and applied
        return m_answer;
    }

private:
    int m_answer;
    const char* m_name;
    wxString& m_shown;
};

Schedule Record(const char* name, int32_t repeat, uint32_t days, const wxDateTime& stop)
{
    Schedule s;
    s.name = name;
    s.repeat = repeat;
    s.action = TurnOn;
    s.days = days;
    s.startTime = wxDateTime(3, wxDateTime::May, 2010, 7, 45);
    s.stopTime = stop;
    return s;
}

} // namespace

TEST_F(ConfigDlgTest, SchedulesPageNewEditAndDeleteGoToTheListTheRowsAndTheFile)
{
    const auto Row = [&](long row) {
        std::vector<std::string> cells;
        for (int column = 0; column < dlg->m_scheduleList->GetColumnCount(); ++column)
            cells.push_back(dlg->m_scheduleList->GetItemText(row, column).utf8_string());
        return cells;
    };
    const auto Names = [&] {
        std::vector<std::string> names;
        for (long row = 0; row < dlg->m_scheduleList->GetItemCount(); ++row)
            names.push_back(Row(row)[0]);
        return names;
    };
    const auto SelectRow = [&](long row, bool selected) {
        dlg->m_scheduleList->SetItemState(row, selected ? wxLIST_STATE_SELECTED : 0, wxLIST_STATE_SELECTED);
        FlushEvents();
    };
    const auto Has = [&](const std::string& text) { return ReadWholeFile(settingsFile).find(text) != std::string::npos; };
    // Stored and loaded as at start-up; entry 0 carries a keyword in small
    // letters that the program itself never writes.
    Schedule ended = Record("one", Weekly, DAY_MONDAY | DAY_WEDNESDAY | DAY_SUNDAY,
                            wxDateTime(10, wxDateTime::May, 2010, 23, 59, 59));
    ended.enabled = false;
    SaveSchedule(Record("zero", Daily, 0, ScheduleNeverTime), 0);
    SaveSchedule(ended, 1);
    SaveSchedule(Record("two", Monthly, 0, ScheduleNeverTime), 2);
    theSettings->Write("/Schedules/0/Repeat", "daily");
    FlushSettings();
    LoadScheduleList();
    WriteUser("version: 1.0\n");
    Open();
    const wxDateTime start(3, wxDateTime::May, 2010, 7, 45);
    const std::string time = start.Format("%X").utf8_string(), date = start.Format("%x").utf8_string();
    EXPECT_EQ(Row(0), (std::vector<std::string>{"zero", "Y", "Daily", time, "-------", date, "-"}));
    EXPECT_EQ(Row(1), (std::vector<std::string>{"one", "N", "Weekly", time, "M-W---S", date,
                                                 wxDateTime(10, wxDateTime::May, 2010).Format("%x").utf8_string()}));
    // The box writes the switch at once.
    EXPECT_TRUE(dlg->m_enableSchedulesBox->GetValue());
    Tick(dlg->m_enableSchedulesBox);
    EXPECT_FALSE(GetSchedulesEnabled());
    EXPECT_FALSE(dlg->m_scheduleEditButton->IsEnabled());
    EXPECT_FALSE(dlg->m_scheduleDeleteButton->IsEnabled());

    const std::string before = ReadWholeFile(settingsFile);
    wxString shown;
    wxTEST_DIALOG(Click(dlg->m_scheduleNewButton), AnswerEditor(wxID_CANCEL, "dropped", shown));
    EXPECT_EQ(Names(), (std::vector<std::string>{"zero", "one", "two"}));
    EXPECT_EQ(ReadWholeFile(settingsFile), before);
    wxTEST_DIALOG(Click(dlg->m_scheduleNewButton), AnswerEditor(wxID_OK, "three", shown));
    EXPECT_EQ(shown, ""); // a new record
    EXPECT_EQ(Names(), (std::vector<std::string>{"zero", "one", "two", "three"}));
    EXPECT_TRUE(Has("[Schedules/3]\nName=three\nEnabled=1\nRepeat=Never\n")) << ReadWholeFile(settingsFile);

    // Editing a row rewrites only its keys; "Cancel" after changes keeps the record.
    SelectRow(2, true);
    wxTEST_DIALOG(Click(dlg->m_scheduleEditButton), AnswerEditor(wxID_OK, "second", shown));
    EXPECT_EQ(shown, "two");
    EXPECT_TRUE(Has("[Schedules/2]\nName=second\n")) << ReadWholeFile(settingsFile);
    EXPECT_TRUE(Has("[Schedules/0]\nName=zero\nEnabled=1\nRepeat=daily\n")) << ReadWholeFile(settingsFile);
    wxTEST_DIALOG(Click(dlg->m_scheduleEditButton), AnswerEditor(wxID_CANCEL, "applied, then cancelled", shown));
    EXPECT_EQ(Names(), (std::vector<std::string>{"zero", "one", "second", "three"}));
    EXPECT_EQ(theScheduleList[2].name, "second");
    SelectRow(2, false);
    EXPECT_FALSE(dlg->m_scheduleEditButton->IsEnabled());
    EXPECT_FALSE(dlg->m_scheduleDeleteButton->IsEnabled());

    // Deleting renumbers the stored entries and keeps the switch.
    SelectRow(0, true);
    Click(dlg->m_scheduleDeleteButton);
    EXPECT_EQ(Names(), (std::vector<std::string>{"one", "second", "three"}));
    ASSERT_EQ(theScheduleList.size(), 3u);
    EXPECT_TRUE(Has("[Schedules/0]\nName=one\n")) << ReadWholeFile(settingsFile);
    EXPECT_FALSE(Has("[Schedules/3]")) << ReadWholeFile(settingsFile);
    EXPECT_FALSE(dlg->m_scheduleDeleteButton->IsEnabled());
    Click(dlg->m_scheduleDeleteAllButton);
    EXPECT_EQ(dlg->m_scheduleList->GetItemCount(), 0);
    EXPECT_FALSE(Has("[Schedules/")) << ReadWholeFile(settingsFile);
    EXPECT_TRUE(Has("[Schedules]\nEnabled=0\n")) << ReadWholeFile(settingsFile);
}
