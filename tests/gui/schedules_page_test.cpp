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
TEST_F(ConfigDlgTest, SchedulesPageNewAndDeleteGoToTheFileAtOnce)
{
    const auto Has = [&](const std::string& text) { return ReadWholeFile(settingsFile).find(text) != std::string::npos; };
    Schedule record;
    record.startTime = wxDateTime(3, wxDateTime::May, 2010, 7, 45);
    record.stopTime = ScheduleNeverTime;
    record.name = "zero";
    SaveSchedule(record, 0);
    record.name = "one";
    SaveSchedule(record, 1);
    FlushSettings();
    LoadScheduleList();
    WriteUser("version: 1.0\n");
    Open();
    Tick(dlg->m_enableSchedulesBox);

    wxTEST_DIALOG(Click(dlg->m_scheduleNewButton), NameInEditor("two"));
    EXPECT_TRUE(Has("[Schedules/2]\nName=two\n")) << ReadWholeFile(settingsFile);
    dlg->m_scheduleList->SetItemState(0, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    FlushEvents();
    Click(dlg->m_scheduleDeleteButton);
    EXPECT_TRUE(Has("[Schedules/0]\nName=one\n")) << ReadWholeFile(settingsFile);
    EXPECT_FALSE(Has("[Schedules/2]")) << ReadWholeFile(settingsFile);
    EXPECT_TRUE(Has("[Schedules]\nEnabled=0\n")) << ReadWholeFile(settingsFile);
}
