// The configuration dialog's "Schedules" page: its rows mirror the list,
// and every change reaches the settings file at once.

#include "schedule/schedule.h"
#include "schedule/scheduleeditdlg.h"
#include "schedule/schedulestore.h"

#include "configdlg_fixture.h"

#include <functional>

namespace {

class SchedulesDlg : public TestConfigDlg
{
public:
    using ConfigDlg::m_enableSchedulesBox;
    using ConfigDlg::m_scheduleDeleteAllButton;
    using ConfigDlg::m_scheduleDeleteButton;
    using ConfigDlg::m_scheduleEditButton;
    using ConfigDlg::m_scheduleList;
    using ConfigDlg::m_scheduleNewButton;
};

// Answers the schedule editor: the user's edit is the record given (or the
// record shown, unchanged), then "Ok" or "Cancel".
class AnswerEditor : public wxExpectModalBase<ScheduleEditDlg, AnswerEditor>
{
public:
    AnswerEditor(int answer, std::function<void(Schedule&)> edit = nullptr, wxString* shownName = nullptr)
        : m_answer(answer), m_edit(std::move(edit)), m_shownName(shownName)
    {
    }

protected:
    int OnInvoked(ScheduleEditDlg* dialog) const override
    {
        Schedule record = dialog->GetSchedule();
        if (m_shownName)
            *m_shownName = record.name;
        if (m_edit)
        {
            m_edit(record);
            dialog->SetSchedule(record); // as if the fields were typed and applied
        }
        return m_answer;
    }

private:
    int m_answer;
    std::function<void(Schedule&)> m_edit;
    wxString* m_shownName;
};

wxDateTime Day(int day, wxDateTime::Month month, int year, int hour = 0, int minute = 0, int second = 0)
{
    return wxDateTime(static_cast<wxDateTime::wxDateTime_t>(day), month, year, static_cast<unsigned short>(hour),
                      static_cast<unsigned short>(minute), static_cast<unsigned short>(second));
}

Schedule Record(const char* name, int32_t repeat, uint32_t days, const wxDateTime& stop)
{
    Schedule s;
    s.name = name;
    s.repeat = repeat;
    s.action = TurnOn;
    s.days = days;
    s.startTime = Day(3, wxDateTime::May, 2010, 7, 45);
    s.stopTime = stop;
    return s;
}

class SchedulesPage : public ConfigDlgTest
{
protected:
    SchedulesDlg* page = nullptr;

    void SetUp() override
    {
        ConfigDlgTest::SetUp();
        theScheduleList.clear();
        WriteRef("version: 1.0\n");
        WriteUser("version: 1.0\n");
    }

    void TearDown() override
    {
        ConfigDlgTest::TearDown();
        theScheduleList.clear();
    }

    void OpenPage()
    {
        page = new SchedulesDlg;
        dlg = page;
        dlg->Show();
    }

    // Three records stored and loaded as at start-up; entry 0 carries a
    // keyword in small letters that the program itself never writes.
    void StoreThree()
    {
        SaveSchedule(Record("zero", Daily, 0, ScheduleNeverTime), 0);
        SaveSchedule(Record("one", Weekly, DAY_MONDAY, ScheduleNeverTime), 1);
        SaveSchedule(Record("two", Monthly, 0, ScheduleNeverTime), 2);
        theSettings->Write("/Schedules/0/Repeat", "daily");
        FlushSettings();
        LoadScheduleList();
        ASSERT_EQ(theScheduleList.size(), 3u);
    }

    std::string File() const { return ReadWholeFile(settingsFile); }

    void SelectRow(long row)
    {
        page->m_scheduleList->SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
        FlushEvents();
    }

    std::vector<std::string> Row(long row) const
    {
        std::vector<std::string> cells;
        for (int column = 0; column < page->m_scheduleList->GetColumnCount(); ++column)
            cells.push_back(page->m_scheduleList->GetItemText(row, column).utf8_string());
        return cells;
    }

    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (long row = 0; row < page->m_scheduleList->GetItemCount(); ++row)
            names.push_back(Row(row)[0]);
        return names;
    }
};

TEST_F(SchedulesPage, EachRowShowsItsRecordAndTheBoxWritesTheSwitch)
{
    SetSchedulesEnabled(false);
    Schedule ended = Record("Evening", Weekly, DAY_MONDAY | DAY_WEDNESDAY | DAY_SUNDAY,
                            Day(10, wxDateTime::May, 2010, 23, 59, 59));
    ended.enabled = false;
    theScheduleList = {Record("Morning", Daily, 0, ScheduleNeverTime), ended};
    OpenPage();
    const wxDateTime start = Day(3, wxDateTime::May, 2010, 7, 45);
    EXPECT_EQ(Row(0), (std::vector<std::string>{"Morning", "Y", "Daily", start.Format("%X").utf8_string(),
                                                 "-------", start.Format("%x").utf8_string(), "-"}));
    EXPECT_EQ(Row(1), (std::vector<std::string>{"Evening", "N", "Weekly", start.Format("%X").utf8_string(),
                                                 "M-W---S", start.Format("%x").utf8_string(),
                                                 Day(10, wxDateTime::May, 2010).Format("%x").utf8_string()}));

    EXPECT_FALSE(page->m_enableSchedulesBox->GetValue());
    Tick(page->m_enableSchedulesBox);
    EXPECT_TRUE(GetSchedulesEnabled());
}

TEST_F(SchedulesPage, NewWithCancelAddsNothingAndWithOkStoresAtTheNextIndex)
{
    StoreThree();
    OpenPage();
    const std::string before = File();
    wxTEST_DIALOG(Click(page->m_scheduleNewButton),
                  AnswerEditor(wxID_CANCEL, [](Schedule& s) { s.name = "dropped"; }));
    EXPECT_EQ(Names(), (std::vector<std::string>{"zero", "one", "two"}));
    EXPECT_EQ(File(), before);

    wxString shown = "?";
    wxTEST_DIALOG(Click(page->m_scheduleNewButton), AnswerEditor(
                                                        wxID_OK,
                                                        [](Schedule& s) {
                                                            s.name = "three";
                                                            s.repeat = Daily;
                                                        },
                                                        &shown));
    EXPECT_EQ(shown, ""); // a new record
    EXPECT_EQ(Names(), (std::vector<std::string>{"zero", "one", "two", "three"}));
    ASSERT_EQ(theScheduleList.size(), 4u);
    EXPECT_NE(File().find("[Schedules/3]\nName=three\nEnabled=1\nRepeat=Daily\n"), std::string::npos) << File();
}

TEST_F(SchedulesPage, EditingARowRewritesOnlyItsKeys)
{
    StoreThree();
    OpenPage();
    EXPECT_FALSE(page->m_scheduleEditButton->IsEnabled());
    SelectRow(2);
    EXPECT_TRUE(page->m_scheduleEditButton->IsEnabled());

    wxString shown;
    wxTEST_DIALOG(Click(page->m_scheduleEditButton),
                  AnswerEditor(wxID_OK, [](Schedule& s) { s.name = "second"; }, &shown));
    EXPECT_EQ(shown, "two");
    EXPECT_EQ(Names(), (std::vector<std::string>{"zero", "one", "second"}));
    const std::string text = File();
    EXPECT_NE(text.find("[Schedules/2]\nName=second\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[Schedules/0]\nName=zero\nEnabled=1\nRepeat=daily\n"), std::string::npos) << text;

    // "Cancel" after changes keeps the record as it was.
    wxTEST_DIALOG(Click(page->m_scheduleEditButton),
                  AnswerEditor(wxID_CANCEL, [](Schedule& s) { s.name = "applied, then cancelled"; }));
    EXPECT_EQ(theScheduleList[2].name, "second");

    // Deselecting disables the buttons again.
    page->m_scheduleList->SetItemState(2, 0, wxLIST_STATE_SELECTED);
    FlushEvents();
    EXPECT_FALSE(page->m_scheduleEditButton->IsEnabled());
    EXPECT_FALSE(page->m_scheduleDeleteButton->IsEnabled());
}

TEST_F(SchedulesPage, DeletingRenumbersTheStoredEntriesAndKeepsTheSwitch)
{
    SetSchedulesEnabled(false);
    StoreThree();
    OpenPage();
    EXPECT_FALSE(page->m_scheduleDeleteButton->IsEnabled());

    SelectRow(0);
    Click(page->m_scheduleDeleteButton);
    EXPECT_EQ(Names(), (std::vector<std::string>{"one", "two"}));
    ASSERT_EQ(theScheduleList.size(), 2u);
    std::string text = File();
    EXPECT_NE(text.find("[Schedules/0]\nName=one\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("[Schedules/2]"), std::string::npos) << text;
    EXPECT_FALSE(page->m_scheduleDeleteButton->IsEnabled());

    Click(page->m_scheduleDeleteAllButton);
    EXPECT_EQ(page->m_scheduleList->GetItemCount(), 0);
    text = File();
    EXPECT_EQ(text.find("[Schedules/"), std::string::npos) << text;
    EXPECT_NE(text.find("[Schedules]\nEnabled=0\n"), std::string::npos) << text;
}

} // namespace
