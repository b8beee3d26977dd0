// The configuration dialog's "Schedules" page: every change reaches the settings file at once.

#include "schedule/schedule.h"
#include "schedule/schedulestore.h"
#include "scheduledlg/scheduleeditdlg.h"

#include "configdlg_fixture.h"

namespace {

// Answers the schedule editor with "Ok", the record named as if typed and applied.
class NameInEditor : public wxExpectModalBase<ScheduleEditDlg, NameInEditor>
{
public:
    explicit NameInEditor(const char* name) : m_name(name) {}

protected:
    int OnInvoked(ScheduleEditDlg* dialog) const override
    {
        Schedule record = dialog->GetSchedule();
        record.name = m_name;
        dialog->SetSchedule(record);
        return wxID_OK;
    }

private:
    const char* m_name;
};

} // namespace

// A change of the page left unstored is lost with the next start; a deletion
// that does not renumber the stored entries brings a deleted record back.
TEST_F(ConfigDlgTest, SchedulesPageNewEditAndDeleteGoToTheListTheRowsAndTheFile)
{
    const auto Has = [&](const std::string& text) { return ReadWholeFile(settingsFile).find(text) != std::string::npos; };
    const auto SelectRow = [&](long row) {
        dlg->m_scheduleList->SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
        FlushEvents();
    };
    Schedule record;
    record.startTime = wxDateTime(3, wxDateTime::May, 2010, 7, 45);
    record.stopTime = ScheduleNeverTime;
    unsigned index = 0;
    for (const char* name : {"zero", "one"})
    {
        record.name = name;
        SaveSchedule(record, index++);
    }
    theSettings->Write("/Schedules/0/Repeat", "daily"); // in small letters, as the program never writes it
    FlushSettings();
    LoadScheduleList();
    WriteUser("version: 1.0\n");
    Open();
    Tick(dlg->m_enableSchedulesBox);

    wxTEST_DIALOG(Click(dlg->m_scheduleNewButton), NameInEditor("two"));
    EXPECT_TRUE(Has("[Schedules/2]\nName=two\n")) << ReadWholeFile(settingsFile);
    // Editing a row rewrites only its keys.
    SelectRow(1);
    wxTEST_DIALOG(Click(dlg->m_scheduleEditButton), NameInEditor("first"));
    EXPECT_TRUE(Has("[Schedules/1]\nName=first\n")) << ReadWholeFile(settingsFile);
    EXPECT_TRUE(Has("[Schedules/0]\nName=zero\nEnabled=1\nRepeat=daily\n")) << ReadWholeFile(settingsFile);

    SelectRow(0);
    Click(dlg->m_scheduleDeleteButton);
    ASSERT_EQ(theScheduleList.size(), 2u);
    EXPECT_TRUE(Has("[Schedules/0]\nName=first\n")) << ReadWholeFile(settingsFile);
    EXPECT_FALSE(Has("[Schedules/2]")) << ReadWholeFile(settingsFile);
    EXPECT_TRUE(Has("[Schedules]\nEnabled=0\n")) << ReadWholeFile(settingsFile);
}
