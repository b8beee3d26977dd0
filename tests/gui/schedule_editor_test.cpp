// The schedule editor under Xvfb: what it shows for a record, its enabling
// rules and day boxes, red fields and their reset, and what it writes back.

#include "schedule/schedule.h"
#include "schedule/scheduleclock.h"
#include "schedule/scheduleeditdlg.h"
#include "schedule/schedulestore.h"

#include "support/core/time_zone.h"
#include "support/gui/gui_helpers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class EditorProbe : public ScheduleEditDlg
{
public:
    using ScheduleEditDlg::ScheduleEditDlg;
    using ScheduleEditDlgBase::m_actionChoice;
    using ScheduleEditDlgBase::m_applyButton;
    using ScheduleEditDlgBase::m_cancelButton;
    using ScheduleEditDlgBase::m_enabledBox;
    using ScheduleEditDlgBase::m_endDate;
    using ScheduleEditDlgBase::m_fridayBox;
    using ScheduleEditDlgBase::m_mondayBox;
    using ScheduleEditDlgBase::m_nameText;
    using ScheduleEditDlgBase::m_okButton;
    using ScheduleEditDlgBase::m_repeatChoice;
    using ScheduleEditDlgBase::m_revertButton;
    using ScheduleEditDlgBase::m_saturdayBox;
    using ScheduleEditDlgBase::m_startDate;
    using ScheduleEditDlgBase::m_sundayBox;
    using ScheduleEditDlgBase::m_thursdayBox;
    using ScheduleEditDlgBase::m_timeText;
    using ScheduleEditDlgBase::m_tuesdayBox;
    using ScheduleEditDlgBase::m_wednesdayBox;
    using ScheduleEditDlgBase::m_weekdaysBox;
    using ScheduleEditDlgBase::m_weekdaysLine;
    using ScheduleEditDlgBase::m_weekendsBox;
    using ScheduleEditDlgBase::m_weekendsLine;

    std::vector<wxCheckBox*> DayBoxes() const
    {
        return {m_mondayBox, m_tuesdayBox, m_wednesdayBox, m_thursdayBox, m_fridayBox, m_saturdayBox, m_sundayBox};
    }
};

void Click(wxButton* button)
{
    wxCommandEvent click(wxEVT_BUTTON, button->GetId());
    click.SetEventObject(button);
    button->GetEventHandler()->ProcessEvent(click);
}

void Check(wxCheckBox* box, bool checked)
{
    box->SetValue(checked);
    wxCommandEvent event(wxEVT_CHECKBOX, box->GetId());
    event.SetEventObject(box);
    event.SetInt(checked);
    box->GetEventHandler()->ProcessEvent(event);
}

void Choose(wxChoice* choice, int item)
{
    choice->SetSelection(item);
    wxCommandEvent event(wxEVT_CHOICE, choice->GetId());
    event.SetEventObject(choice);
    event.SetInt(item);
    choice->GetEventHandler()->ProcessEvent(event);
}

void PickDate(wxDatePickerCtrl* picker, const wxDateTime& date)
{
    picker->SetValue(date);
    wxDateEvent event(picker, date, wxEVT_DATE_CHANGED);
    picker->GetEventHandler()->ProcessEvent(event);
}

void LeaveField(wxWindow* field)
{
    wxFocusEvent event(wxEVT_KILL_FOCUS, field->GetId());
    event.SetEventObject(field);
    field->GetEventHandler()->ProcessEvent(event);
}

bool IsRed(wxWindow* field)
{
    return field->UseBackgroundColour() && field->GetBackgroundColour() == *wxRED;
}

wxDateTime Day(int day, wxDateTime::Month month, int year, int hour = 0, int minute = 0, int second = 0)
{
    return wxDateTime(static_cast<wxDateTime::wxDateTime_t>(day), month, year, static_cast<unsigned short>(hour),
                      static_cast<unsigned short>(minute), static_cast<unsigned short>(second));
}

class ScheduleEditor : public testing::Test
{
protected:
    EditorProbe* dlg = nullptr;

    void SetUp() override { dlg = new EditorProbe(nullptr); }
    void TearDown() override
    {
        dlg->Destroy();
        FlushEvents();
    }

    void Open(const Schedule& s)
    {
        dlg->SetSchedule(s);
        dlg->LoadControls();
    }

    // A valid weekly record to start from.
    static Schedule Weekly3()
    {
        Schedule s;
        s.name = "Lecture";
        s.action = TurnOn;
        s.repeat = Weekly;
        s.days = DAY_MONDAY | DAY_WEDNESDAY | DAY_FRIDAY;
        s.startTime = Day(4, wxDateTime::May, 2026, 7, 45);
        s.stopTime = Day(10, wxDateTime::Jul, 2026, 23, 59, 59);
        return s;
    }
};

TEST_F(ScheduleEditor, ANewRecordShowsItsValuesWithEndDateAndDaysDisabled)
{
    const Schedule fresh;
    Open(fresh);
    EXPECT_EQ(dlg->m_nameText->GetValue(), "");
    EXPECT_EQ(dlg->m_actionChoice->GetStringSelection(), "Turn Off");
    EXPECT_TRUE(dlg->m_enabledBox->GetValue());
    EXPECT_EQ(dlg->m_repeatChoice->GetStringSelection(), "Never");
    EXPECT_TRUE(dlg->m_startDate->GetValue().IsSameDate(wxDateTime::Today()));
    EXPECT_TRUE(dlg->m_endDate->GetValue().IsSameDate(wxDateTime::Today()));
    EXPECT_EQ(dlg->m_timeText->GetValue(), fresh.startTime.Format("%X"));
    EXPECT_FALSE(dlg->m_endDate->IsEnabled());
    for (wxCheckBox* box : dlg->DayBoxes())
    {
        EXPECT_FALSE(box->GetValue()) << box->GetLabel();
        EXPECT_FALSE(box->IsEnabled()) << box->GetLabel();
    }
    EXPECT_FALSE(dlg->m_weekdaysBox->IsEnabled());
    EXPECT_FALSE(dlg->m_weekendsBox->IsEnabled());
    EXPECT_FALSE(dlg->m_applyButton->IsEnabled());
    EXPECT_FALSE(dlg->m_revertButton->IsEnabled());
}

TEST_F(ScheduleEditor, TheRepeatKindEnablesTheEndDateAndTheDayColumns)
{
    Open(Weekly3());
    struct Row
    {
        int repeat;
        bool endDate;
        bool days;
    };
    for (const Row& row : {Row{Daily, true, false}, Row{Weekly, true, true}, Row{Monthly, true, false},
                           Row{Never, false, false}, Row{Weekly, true, true}})
    {
        Choose(dlg->m_repeatChoice, row.repeat);
        EXPECT_EQ(dlg->m_endDate->IsEnabled(), row.endDate) << row.repeat;
        for (wxWindow* control : std::initializer_list<wxWindow*>{dlg->m_weekdaysBox, dlg->m_weekdaysLine,
                                                                  dlg->m_weekendsBox, dlg->m_weekendsLine,
                                                                  dlg->m_mondayBox, dlg->m_sundayBox})
            EXPECT_EQ(control->IsEnabled(), row.days) << row.repeat;
        EXPECT_TRUE(dlg->m_startDate->IsEnabled());
        EXPECT_TRUE(dlg->m_timeText->IsEnabled());
        EXPECT_TRUE(dlg->m_applyButton->IsEnabled());
    }
    // Days chosen while weekly are kept when another kind is saved.
    Choose(dlg->m_repeatChoice, Daily);
    ASSERT_EQ(dlg->SaveControls(), 0);
    EXPECT_EQ(dlg->GetSchedule().days, Weekly3().days);
}

TEST_F(ScheduleEditor, WeekdaysAndWeekendsFollowTheSingleDays)
{
    Open(Weekly3());
    EXPECT_FALSE(dlg->m_weekdaysBox->GetValue());
    Check(dlg->m_weekdaysBox, true);
    for (wxCheckBox* box : {dlg->m_mondayBox, dlg->m_tuesdayBox, dlg->m_wednesdayBox, dlg->m_thursdayBox,
                            dlg->m_fridayBox})
        EXPECT_TRUE(box->GetValue()) << box->GetLabel();
    Check(dlg->m_wednesdayBox, false);
    EXPECT_FALSE(dlg->m_weekdaysBox->GetValue());
    Check(dlg->m_saturdayBox, true);
    EXPECT_FALSE(dlg->m_weekendsBox->GetValue());
    Check(dlg->m_sundayBox, true);
    EXPECT_TRUE(dlg->m_weekendsBox->GetValue());
    Check(dlg->m_weekendsBox, false);
    EXPECT_FALSE(dlg->m_saturdayBox->GetValue());
    EXPECT_FALSE(dlg->m_sundayBox->GetValue());
    ASSERT_EQ(dlg->SaveControls(), 0);
    EXPECT_EQ(dlg->GetSchedule().days, uint32_t(DAY_MONDAY | DAY_TUESDAY | DAY_THURSDAY | DAY_FRIDAY));

    struct Row
    {
        uint32_t days;
        bool weekdays;
        bool weekends;
    };
    for (const Row& row : {Row{DAY_SATURDAY | DAY_SUNDAY, false, true}, Row{DAY_WEEKDAYS, true, false},
                           Row{DAY_ALL, true, true}, Row{DAY_SUNDAY, false, false}})
    {
        Schedule s = Weekly3();
        s.days = row.days;
        Open(s);
        EXPECT_EQ(dlg->m_weekdaysBox->GetValue(), row.weekdays) << row.days;
        EXPECT_EQ(dlg->m_weekendsBox->GetValue(), row.weekends) << row.days;
    }
}

TEST_F(ScheduleEditor, TimesOfDayAreReadWithBlanksAfterThemOnly)
{
    struct Row
    {
        const char* text;
        int seconds;
    };
    const Row rows[] = {
        {"07:45:00", 27900}, {"7:45", 27900},  {"07:45:00   ", 27900}, {"23:59:59", 86399}, {"00:00:00", 0},
        {"07:45:00 x", -1},  {"07:45x", -1},   {"", -1},               {"lunch", -1},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ScheduleEditDlg::ParseTimeOfDay(row.text), row.seconds) << '"' << row.text << '"';

    Open(Weekly3());
    dlg->m_timeText->SetValue("7:05");
    LeaveField(dlg->m_timeText);
    EXPECT_EQ(dlg->m_timeText->GetValue(), Day(1, wxDateTime::Jan, 2026, 7, 5).Format("%X"));
    dlg->m_timeText->SetValue("7:05 pm later");
    LeaveField(dlg->m_timeText);
    EXPECT_TRUE(IsRed(dlg->m_timeText));
    EXPECT_EQ(dlg->m_timeText->GetValue(), "7:05 pm later");
}

TEST_F(ScheduleEditor, InvalidFieldsTurnRedKeepTheRecordAndResetWhenEdited)
{
    Open(Weekly3());
    dlg->Show();

    // Name: an empty one is refused; typing restores the colour.
    dlg->m_nameText->SetValue("");
    Click(dlg->m_okButton);
    EXPECT_TRUE(IsRed(dlg->m_nameText));
    EXPECT_TRUE(dlg->IsShown());
    EXPECT_EQ(dlg->GetSchedule().name, "Lecture");
    dlg->m_nameText->SetValue("L");
    EXPECT_FALSE(IsRed(dlg->m_nameText));
    dlg->m_nameText->SetValue(" ");
    EXPECT_EQ(dlg->SaveControls(), 0); // blanks are a name

    // Time: checked first; nothing else changes.
    dlg->m_nameText->SetValue("");
    dlg->m_timeText->SetValue("soon");
    EXPECT_EQ(dlg->SaveControls(), -1);
    EXPECT_TRUE(IsRed(dlg->m_timeText));
    EXPECT_FALSE(IsRed(dlg->m_nameText));
    dlg->m_timeText->SetValue("08:00");
    EXPECT_FALSE(IsRed(dlg->m_timeText));

    // An empty start date is refused like an invalid time.
    dlg->m_nameText->SetValue("Lecture");
    dlg->m_startDate->SetValue(wxInvalidDateTime);
    Click(dlg->m_okButton);
    EXPECT_TRUE(IsRed(dlg->m_startDate));
    EXPECT_TRUE(dlg->IsShown());
    EXPECT_EQ(dlg->GetSchedule().startTime, Weekly3().startTime);
    PickDate(dlg->m_startDate, Day(5, wxDateTime::May, 2026));
    EXPECT_FALSE(IsRed(dlg->m_startDate));

    Click(dlg->m_okButton);
    EXPECT_FALSE(dlg->IsShown());
    EXPECT_EQ(dlg->GetReturnCode(), wxID_OK);
    EXPECT_EQ(dlg->GetSchedule().startTime, Day(5, wxDateTime::May, 2026, 8, 0));
}

TEST_F(ScheduleEditor, SavedFieldsMakeTheRecord)
{
    ScopedTimeZone zone("Europe/Berlin");
    struct Row
    {
        const char* what;
        int repeat;
        wxDateTime startDate;
        const char* time;
        wxDateTime endDate; // invalid: cleared
        const char* start;
        const char* stop;
    };
    const Row rows[] = {
        {"weekly with an end date", Weekly, Day(4, wxDateTime::May, 2026), "07:45", Day(10, wxDateTime::Jul, 2026),
         "2026-05-04 07:45:00", "2026-07-10 23:59:59"},
        {"daily, end date cleared", Daily, Day(4, wxDateTime::May, 2026), "22:00:30", wxInvalidDateTime,
         "2026-05-04 22:00:30", "9999-12-31 23:59:59"},
        {"one-time on a later day: the disabled end date is no end", Never, Day(20, wxDateTime::May, 2026),
         "07:45", Day(4, wxDateTime::May, 2026), "2026-05-20 07:45:00", "9999-12-31 23:59:59"},
        {"the day the clocks go forward", Daily, Day(29, wxDateTime::Mar, 2026), "07:45",
         Day(30, wxDateTime::Mar, 2026), "2026-03-29 07:45:00", "2026-03-30 23:59:59"},
        {"the day the clocks go back", Monthly, Day(25, wxDateTime::Oct, 2026), "23:59:59",
         Day(25, wxDateTime::Oct, 2026), "2026-10-25 23:59:59", "2026-10-25 23:59:59"},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.what);
        Open(Weekly3());
        Choose(dlg->m_repeatChoice, row.repeat);
        PickDate(dlg->m_startDate, row.startDate);
        PickDate(dlg->m_endDate, row.endDate);
        dlg->m_timeText->SetValue(row.time);
        Choose(dlg->m_actionChoice, TurnOff);
        Check(dlg->m_enabledBox, false);
        dlg->m_nameText->SetValue("Evening");
        ASSERT_EQ(dlg->SaveControls(), 0);
        const Schedule s = dlg->GetSchedule();
        EXPECT_EQ(s.name, "Evening");
        EXPECT_EQ(s.action, TurnOff);
        EXPECT_FALSE(s.enabled);
        EXPECT_EQ(s.repeat, row.repeat);
        EXPECT_EQ(FormatScheduleTime(s.startTime), row.start);
        if (std::string(row.stop) == "9999-12-31 23:59:59")
            EXPECT_EQ(s.stopTime, ScheduleNeverTime);
        else
            EXPECT_EQ(FormatScheduleTime(s.stopTime), row.stop);
        EXPECT_FALSE(dlg->m_applyButton->IsEnabled());
    }

    // The one-time schedule is due at its start, a later day than today.
    const wxDateTime now = Day(4, wxDateTime::May, 2026, 9, 0);
    SetScheduleClock([now] { return now; });
    Open(Weekly3());
    Choose(dlg->m_repeatChoice, Never);
    PickDate(dlg->m_startDate, Day(20, wxDateTime::May, 2026));
    ASSERT_EQ(dlg->SaveControls(), 0);
    Schedule once = dlg->GetSchedule();
    once.ComputeNext();
    SetScheduleClock(nullptr);
    EXPECT_EQ(FormatScheduleTime(once.nextTime), "2026-05-20 07:45:00");
}

TEST_F(ScheduleEditor, ApplyRevertAndCancel)
{
    Open(Weekly3());
    dlg->Show();
    dlg->m_nameText->SetValue("Applied");
    EXPECT_TRUE(dlg->m_applyButton->IsEnabled());
    Click(dlg->m_applyButton);
    EXPECT_EQ(dlg->GetSchedule().name, "Applied");
    EXPECT_FALSE(dlg->m_revertButton->IsEnabled());
    EXPECT_TRUE(dlg->IsShown());

    dlg->m_nameText->SetValue("Changed");
    Check(dlg->m_sundayBox, true);
    Click(dlg->m_revertButton);
    EXPECT_EQ(dlg->m_nameText->GetValue(), "Applied");
    EXPECT_FALSE(dlg->m_sundayBox->GetValue());
    EXPECT_FALSE(dlg->m_applyButton->IsEnabled());

    Click(dlg->m_cancelButton);
    EXPECT_FALSE(dlg->IsShown());
    EXPECT_EQ(dlg->GetReturnCode(), wxID_CANCEL);

    // The close box cancels as well.
    dlg->SetReturnCode(0);
    dlg->Show();
    dlg->Close();
    EXPECT_FALSE(dlg->IsShown());
    EXPECT_EQ(dlg->GetReturnCode(), wxID_CANCEL);
}

// ShowModal fills the controls from the record before the loop runs.
class ExpectEditorShowing : public wxExpectModalBase<ScheduleEditDlg, ExpectEditorShowing>
{
public:
    ExpectEditorShowing(EditorProbe* probe, const wxString& name) : m_probe(probe), m_name(name) {}

protected:
    int OnInvoked(ScheduleEditDlg* dialog) const override
    {
        EXPECT_EQ(dialog, m_probe);
        EXPECT_EQ(m_probe->m_nameText->GetValue(), m_name);
        return wxID_OK;
    }

private:
    EditorProbe* m_probe;
    wxString m_name;
};

TEST_F(ScheduleEditor, ShowModalLoadsTheControlsFirst)
{
    dlg->SetSchedule(Weekly3());
    wxTEST_DIALOG(EXPECT_EQ(dlg->ShowModal(), wxID_OK), ExpectEditorShowing(dlg, "Lecture"));
}

} // namespace
