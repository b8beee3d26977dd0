// The schedule editor under Xvfb: its enabling rules and day boxes, red
// fields and their reset, and what it writes back.

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
    using ScheduleEditDlgBase::m_mondayBox;
    using ScheduleEditDlgBase::m_nameText;
    using ScheduleEditDlgBase::m_okButton;
    using ScheduleEditDlgBase::m_repeatChoice;
    using ScheduleEditDlgBase::m_revertButton;
    using ScheduleEditDlgBase::m_saturdayBox;
    using ScheduleEditDlgBase::m_startDate;
    using ScheduleEditDlgBase::m_sundayBox;
    using ScheduleEditDlgBase::m_timeText;
    using ScheduleEditDlgBase::m_wednesdayBox;
    using ScheduleEditDlgBase::m_weekdaysBox;
    using ScheduleEditDlgBase::m_weekdaysLine;
    using ScheduleEditDlgBase::m_weekendsBox;
    using ScheduleEditDlgBase::m_weekendsLine;
};

// Sets the control as the user would and sends its event.
void Send(wxControl* control, wxEventType type, int value)
{
    wxCommandEvent event(type, control->GetId());
    event.SetEventObject(control);
    event.SetInt(value);
    control->GetEventHandler()->ProcessEvent(event);
}

void Check(wxCheckBox* box, bool checked)
{
    box->SetValue(checked);
    Send(box, wxEVT_CHECKBOX, checked);
}

void Choose(wxChoice* choice, int item)
{
    choice->SetSelection(item);
    Send(choice, wxEVT_CHOICE, item);
}

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

TEST_F(ScheduleEditor, TheRepeatKindEnablesTheEndDateAndDaysWhichTheGroupBoxesFollow)
{
    Open(Weekly3());
    struct Row
    {
        int repeat;
        bool endDate;
        bool days;
    };
    for (const Row& row : {Row{Daily, true, false}, Row{Never, false, false}, Row{Weekly, true, true}})
    {
        Choose(dlg->m_repeatChoice, row.repeat);
        EXPECT_EQ(dlg->m_endDate->IsEnabled(), row.endDate) << row.repeat;
        for (wxWindow* control : std::initializer_list<wxWindow*>{dlg->m_weekdaysLine, dlg->m_weekendsLine,
                                                                  dlg->m_mondayBox, dlg->m_sundayBox})
            EXPECT_EQ(control->IsEnabled(), row.days) << row.repeat;
    }

    EXPECT_FALSE(dlg->m_weekdaysBox->GetValue());
    Check(dlg->m_weekdaysBox, true);
    Check(dlg->m_wednesdayBox, false);
    EXPECT_FALSE(dlg->m_weekdaysBox->GetValue());
    Check(dlg->m_saturdayBox, true);
    EXPECT_FALSE(dlg->m_weekendsBox->GetValue());
    Check(dlg->m_sundayBox, true);
    EXPECT_TRUE(dlg->m_weekendsBox->GetValue());
    Check(dlg->m_weekendsBox, false);
    // Days chosen while weekly are kept when another kind is saved.
    Choose(dlg->m_repeatChoice, Daily);
    ASSERT_EQ(dlg->SaveControls(), 0);
    EXPECT_EQ(dlg->GetSchedule().days, uint32_t(DAY_MONDAY | DAY_TUESDAY | DAY_THURSDAY | DAY_FRIDAY));

    Schedule all = Weekly3();
    all.days = DAY_ALL;
    Open(all);
    EXPECT_TRUE(dlg->m_weekdaysBox->GetValue());
    EXPECT_TRUE(dlg->m_weekendsBox->GetValue());
}

TEST_F(ScheduleEditor, TimesOfDayAreReadWithBlanksAfterThemOnly)
{
    struct Row
    {
        const char* text;
        int seconds;
    };
    const Row rows[] = {
        {"7:45", 27900}, {"07:45:00   ", 27900}, {"23:59:59", 86399}, {"07:45:00 x", -1}, {"07:45x", -1}, {"", -1},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ScheduleEditDlg::ParseTimeOfDay(row.text), row.seconds) << '"' << row.text << '"';
}

TEST_F(ScheduleEditor, InvalidFieldsTurnRedKeepTheRecordAndResetWhenEdited)
{
    Open(Weekly3());
    dlg->Show();

    // Name: an empty one is refused; typing restores the colour.
    dlg->m_nameText->SetValue("");
    Send(dlg->m_okButton, wxEVT_BUTTON, 0);
    EXPECT_TRUE(IsRed(dlg->m_nameText));
    EXPECT_TRUE(dlg->IsShown());
    EXPECT_EQ(dlg->GetSchedule().name, "Lecture");
    dlg->m_nameText->SetValue("Lecture");
    EXPECT_FALSE(IsRed(dlg->m_nameText));

    // An empty start date is refused like an invalid time.
    dlg->m_timeText->SetValue("08:00");
    dlg->m_startDate->SetValue(wxInvalidDateTime);
    Send(dlg->m_okButton, wxEVT_BUTTON, 0);
    EXPECT_TRUE(IsRed(dlg->m_startDate));
    EXPECT_TRUE(dlg->IsShown());
    EXPECT_EQ(dlg->GetSchedule().startTime, Weekly3().startTime);
    PickDate(dlg->m_startDate, Day(5, wxDateTime::May, 2026));
    EXPECT_FALSE(IsRed(dlg->m_startDate));

    Send(dlg->m_okButton, wxEVT_BUTTON, 0);
    EXPECT_FALSE(dlg->IsShown());
    EXPECT_EQ(dlg->GetReturnCode(), wxID_OK);
    EXPECT_EQ(dlg->GetSchedule().startTime, Day(5, wxDateTime::May, 2026, 8, 0));
}

TEST_F(ScheduleEditor, SavedFieldsMakeTheRecord)
{
    ScopedTimeZone zone("Europe/Berlin");
    const wxDateTime now = Day(4, wxDateTime::May, 2026, 9, 0);
    SetScheduleClock([now] { return now; });
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
        // The one-time schedule is due at its start, a later day than today.
        Schedule due = s;
        due.ComputeNext();
        if (row.repeat == Never)
        {
            EXPECT_EQ(FormatScheduleTime(due.nextTime), row.start);
        }
    }
    SetScheduleClock(nullptr);
}

TEST_F(ScheduleEditor, ApplyRevertAndCancel)
{
    Open(Weekly3());
    dlg->Show();
    dlg->m_nameText->SetValue("Applied");
    EXPECT_TRUE(dlg->m_applyButton->IsEnabled());
    Send(dlg->m_applyButton, wxEVT_BUTTON, 0);
    EXPECT_EQ(dlg->GetSchedule().name, "Applied");
    EXPECT_FALSE(dlg->m_revertButton->IsEnabled());
    EXPECT_TRUE(dlg->IsShown());

    dlg->m_nameText->SetValue("Changed");
    Check(dlg->m_sundayBox, true);
    Send(dlg->m_revertButton, wxEVT_BUTTON, 0);
    EXPECT_EQ(dlg->m_nameText->GetValue(), "Applied");
    EXPECT_FALSE(dlg->m_sundayBox->GetValue());
    EXPECT_FALSE(dlg->m_applyButton->IsEnabled());

    Send(dlg->m_cancelButton, wxEVT_BUTTON, 0);
    EXPECT_FALSE(dlg->IsShown());
    EXPECT_EQ(dlg->GetReturnCode(), wxID_CANCEL);
}

// ShowModal fills the controls from the record before the loop runs.
class ExpectEditorShowing : public wxExpectModalBase<ScheduleEditDlg, ExpectEditorShowing>
{
protected:
    int OnInvoked(ScheduleEditDlg* dialog) const override
    {
        EXPECT_EQ(static_cast<EditorProbe*>(dialog)->m_nameText->GetValue(), "Lecture");
        return wxID_OK;
    }
};

TEST_F(ScheduleEditor, ShowModalLoadsTheControlsFirst)
{
    dlg->SetSchedule(Weekly3());
    wxTEST_DIALOG(EXPECT_EQ(dlg->ShowModal(), wxID_OK), ExpectEditorShowing());
}

} // namespace
