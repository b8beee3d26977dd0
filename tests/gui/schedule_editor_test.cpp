// The schedule editor under Xvfb: red fields and their reset, and the record it makes.

#include "schedule/schedule.h"
#include "schedule/scheduleclock.h"
#include "schedule/schedulestore.h"
#include "scheduledlg/scheduleeditdlg.h"

#include "configdlg_fixture.h"
#include "support/core/time_zone.h"

#include <functional>

namespace {

class EditorProbe : public ScheduleEditDlg
{
public:
    EditorProbe() : ScheduleEditDlg(nullptr) {}
    using ScheduleEditDlgBase::m_actionChoice, ScheduleEditDlgBase::m_applyButton, ScheduleEditDlgBase::m_cancelButton,
        ScheduleEditDlgBase::m_enabledBox, ScheduleEditDlgBase::m_endDate, ScheduleEditDlgBase::m_nameText,
        ScheduleEditDlgBase::m_okButton, ScheduleEditDlgBase::m_repeatChoice, ScheduleEditDlgBase::m_revertButton,
        ScheduleEditDlgBase::m_startDate, ScheduleEditDlgBase::m_sundayBox, ScheduleEditDlgBase::m_timeText;
};

void PickDate(wxDatePickerCtrl* picker, const wxDateTime& date)
{
    picker->SetValue(date);
    wxDateEvent event(picker, date, wxEVT_DATE_CHANGED);
    picker->GetEventHandler()->ProcessEvent(event);
}

bool IsRed(wxWindow* field)
{
    return field->UseBackgroundColour() && field->GetBackgroundColour() == *wxRED;
}

// The dialog fixture's events and settings, with the editor instead of the dialog.
class ScheduleEditor : public ConfigDlgTest
{
protected:
    // Opens the editor on a valid weekly record.
    void SetUp() override
    {
        ConfigDlgTest::SetUp();
        weekly.name = "Lecture";
        weekly.repeat = Weekly;
        weekly.days = DAY_MONDAY | DAY_WEDNESDAY | DAY_FRIDAY;
        weekly.startTime = wxDateTime(4, wxDateTime::May, 2026, 7, 45);
        weekly.stopTime = wxDateTime(10, wxDateTime::Jul, 2026, 23, 59, 59);
        Open();
    }
    void TearDown() override
    {
        editor->Destroy();
        ConfigDlgTest::TearDown();
    }
    void Open()
    {
        editor->SetSchedule(weekly);
        editor->LoadControls();
    }

    Schedule weekly;
    EditorProbe* editor = new EditorProbe;
};

// A name with a pasted line break was cut in the settings file; an empty
// name or start date, a time that does not read (only blanks may follow it)
// must be refused in red, the record kept; typing or picking restores the colour.
TEST_F(ScheduleEditor, OkRefusesRedFieldsKeepingTheRecordApplyRevertAndCancel)
{
    editor->Show();
    const struct
    {
        wxWindow* field;
        std::function<void()> spoil, mend;
    } rows[] = {
        {editor->m_nameText, [&] { editor->m_nameText->SetValue(""); }, [&] { editor->m_nameText->SetValue("Lecture"); }},
        {editor->m_nameText, [&] { editor->m_nameText->SetValue("Morning\nEvening"); },
         [&] { editor->m_nameText->SetValue("Morning"); }},
        {editor->m_startDate, [&] { editor->m_startDate->SetValue(wxInvalidDateTime); },
         [&] { PickDate(editor->m_startDate, wxDateTime(5, wxDateTime::May, 2026)); }},
        {editor->m_timeText, [&] { editor->m_timeText->SetValue("07:45:00 x"); }, [&] { editor->m_timeText->SetValue("08:00"); }},
    };
    for (const auto& row : rows)
    {
        row.spoil();
        Send(editor->m_okButton, wxEVT_BUTTON);
        EXPECT_TRUE(IsRed(row.field) && editor->IsShown()) << &row - rows;
        row.mend();
        EXPECT_FALSE(IsRed(row.field)) << &row - rows;
    }
    EXPECT_EQ(editor->GetSchedule().startTime, weekly.startTime);

    editor->m_nameText->SetValue("Applied");
    Send(editor->m_actionChoice, wxEVT_CHOICE, TurnOn);
    Send(editor->m_enabledBox, wxEVT_CHECKBOX, false);
    Send(editor->m_applyButton, wxEVT_BUTTON);
    const Schedule applied = editor->GetSchedule();
    EXPECT_EQ(applied.name + (applied.enabled ? " enabled" : " disabled"), "Applied disabled");
    EXPECT_EQ(applied.action, TurnOn);
    EXPECT_EQ(applied.startTime, wxDateTime(5, wxDateTime::May, 2026, 8, 0));
    EXPECT_FALSE(editor->m_revertButton->IsEnabled());

    editor->m_nameText->SetValue("Changed");
    Send(editor->m_sundayBox, wxEVT_CHECKBOX, true);
    Send(editor->m_revertButton, wxEVT_BUTTON);
    EXPECT_EQ(editor->m_nameText->GetValue(), "Applied");
    EXPECT_FALSE(editor->m_sundayBox->GetValue());
    EXPECT_FALSE(editor->m_applyButton->IsEnabled());
    for (wxButton* button : {editor->m_okButton, editor->m_cancelButton})
    {
        editor->Show();
        Send(button, wxEVT_BUTTON);
        EXPECT_FALSE(editor->IsShown());
        EXPECT_EQ(editor->GetReturnCode(), button == editor->m_okButton ? wxID_OK : wxID_CANCEL);
    }
}

// A one-time record due at the wrong moment, a time the start day lacks
// moved for good, a time shown otherwise than typed.
TEST_F(ScheduleEditor, SavedFieldsMakeTheRecord)
{
    ScopedTimeZone zone("Europe/Berlin");
    SetScheduleClock([] { return wxDateTime(4, wxDateTime::May, 2026, 9, 0); });
    const struct
    {
        int repeat, startDay;
        wxDateTime::Month startMonth;
        const char* time;
        int endDay; // 0: cleared
        const char* record;
    } rows[] = {
        {Weekly, 4, wxDateTime::May, "7:45", 10, "2026-05-04 07:45:00 to 2026-05-10 23:59:59"},
        {Daily, 4, wxDateTime::May, "22:00:30", 0, "2026-05-04 22:00:30 to 9999-12-31 23:59:59"},
        // One-time on a later day: the disabled end date is no end, the start is the due moment.
        {Never, 20, wxDateTime::May, "07:45:00   ", 4, "2026-05-20 07:45:00 to 9999-12-31 23:59:59"},
        // A time the start day lacks stays the time typed, in the file and for the days after.
        {Daily, 29, wxDateTime::Mar, "2:30", 0, "2026-03-29 02:30:00 to 9999-12-31 23:59:59"},
    };
    for (const auto& row : rows)
    {
        Open();
        Send(editor->m_repeatChoice, wxEVT_CHOICE, row.repeat);
        PickDate(editor->m_startDate, wxDateTime(row.startDay, row.startMonth, 2026));
        PickDate(editor->m_endDate, row.endDay ? wxDateTime(row.endDay, wxDateTime::May, 2026) : wxInvalidDateTime);
        editor->m_timeText->SetValue(row.time);
        ASSERT_EQ(editor->SaveControls(), 0);
        Schedule s = editor->GetSchedule();
        EXPECT_EQ(FormatScheduleTime(s.startTime, s.StartSecondOfDay()) + " to " + FormatScheduleTime(s.stopTime),
                  row.record);
        // Opened again, the time field shows the time as typed.
        editor->SetSchedule(s);
        editor->LoadControls();
        wxDateTime typed(4, wxDateTime::May, 2026);
        ASSERT_TRUE(typed.ParseTime(wxString(row.record).Mid(11, 8)));
        EXPECT_EQ(editor->m_timeText->GetValue(), typed.Format("%X")) << row.record;
        EXPECT_EQ(s.repeat, row.repeat) << row.record;
        EXPECT_FALSE(editor->m_applyButton->IsEnabled()) << row.record;
        s.ComputeNext();
        EXPECT_TRUE(row.repeat != Never || s.nextTime == s.startTime);
    }
    // A second 60 is no time (the toolkit's parser moves it on to the next minute or day).
    EXPECT_EQ(ScheduleEditDlg::ParseTimeOfDay("7:45:60"), -1);
    SetScheduleClock(nullptr);
}

} // namespace
