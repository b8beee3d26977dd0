// The schedule editor under Xvfb: its enabling rules and day boxes, red
// fields and their reset, and the record it makes.

#include "schedule/schedule.h"
#include "schedule/scheduleclock.h"
#include "schedule/scheduleeditdlg.h"
#include "schedule/schedulestore.h"

#include "support/core/time_zone.h"
#include "support/gui/gui_helpers.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

class EditorProbe : public ScheduleEditDlg
{
public:
    EditorProbe() : ScheduleEditDlg(nullptr) {}
    using ScheduleEditDlgBase::m_actionChoice, ScheduleEditDlgBase::m_applyButton, ScheduleEditDlgBase::m_cancelButton,
        ScheduleEditDlgBase::m_enabledBox, ScheduleEditDlgBase::m_endDate, ScheduleEditDlgBase::m_nameText,
        ScheduleEditDlgBase::m_okButton, ScheduleEditDlgBase::m_repeatChoice, ScheduleEditDlgBase::m_revertButton,
        ScheduleEditDlgBase::m_saturdayBox, ScheduleEditDlgBase::m_startDate, ScheduleEditDlgBase::m_sundayBox,
        ScheduleEditDlgBase::m_timeText, ScheduleEditDlgBase::m_wednesdayBox, ScheduleEditDlgBase::m_weekdaysBox,
        ScheduleEditDlgBase::m_weekdaysLine, ScheduleEditDlgBase::m_weekendsBox;
};

// Sets the control as the user would and sends its event.
void Send(wxControl* control, wxEventType type, int value = 0)
{
    if (auto* box = dynamic_cast<wxCheckBox*>(control))
        box->SetValue(value != 0);
    else if (auto* choice = dynamic_cast<wxChoice*>(control))
        choice->SetSelection(value);
    wxCommandEvent event(type, control->GetId());
    event.SetEventObject(control);
    event.SetInt(value);
    control->GetEventHandler()->ProcessEvent(event);
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

class ScheduleEditor : public testing::Test
{
protected:
    // Opens the editor on a valid weekly record.
    void SetUp() override
    {
        weekly.name = "Lecture";
        weekly.repeat = Weekly;
        weekly.days = DAY_MONDAY | DAY_WEDNESDAY | DAY_FRIDAY;
        weekly.startTime = wxDateTime(4, wxDateTime::May, 2026, 7, 45);
        weekly.stopTime = wxDateTime(10, wxDateTime::Jul, 2026, 23, 59, 59);
        Open();
    }
    void TearDown() override
    {
        dlg->Destroy();
        FlushEvents();
    }
    void Open()
    {
        dlg->SetSchedule(weekly);
        dlg->LoadControls();
    }

    Schedule weekly;
    EditorProbe* dlg = new EditorProbe;
};

TEST_F(ScheduleEditor, TheRepeatKindEnablesTheEndDateAndDaysWhichTheGroupBoxesFollow)
{
    for (int repeat : {Daily, Never, Weekly})
    {
        Send(dlg->m_repeatChoice, wxEVT_CHOICE, repeat);
        EXPECT_EQ(dlg->m_endDate->IsEnabled(), repeat != Never) << repeat;
        EXPECT_EQ(dlg->m_weekdaysLine->IsEnabled(), repeat == Weekly) << repeat;
        EXPECT_EQ(dlg->m_sundayBox->IsEnabled(), repeat == Weekly) << repeat;
    }
    EXPECT_FALSE(dlg->m_weekdaysBox->GetValue());
    Send(dlg->m_weekdaysBox, wxEVT_CHECKBOX, true);
    Send(dlg->m_wednesdayBox, wxEVT_CHECKBOX, false);
    EXPECT_FALSE(dlg->m_weekdaysBox->GetValue());
    Send(dlg->m_saturdayBox, wxEVT_CHECKBOX, true);
    EXPECT_FALSE(dlg->m_weekendsBox->GetValue());
    Send(dlg->m_sundayBox, wxEVT_CHECKBOX, true);
    EXPECT_TRUE(dlg->m_weekendsBox->GetValue());
    Send(dlg->m_weekendsBox, wxEVT_CHECKBOX, false);
    // Days chosen while weekly are kept when another kind is saved.
    Send(dlg->m_repeatChoice, wxEVT_CHOICE, Daily);
    ASSERT_EQ(dlg->SaveControls(), 0);
    EXPECT_EQ(dlg->GetSchedule().days, uint32_t(DAY_MONDAY | DAY_TUESDAY | DAY_THURSDAY | DAY_FRIDAY));
}

TEST_F(ScheduleEditor, OkRefusesRedFieldsKeepingTheRecordApplyRevertAndCancel)
{
    dlg->Show();
    // An empty name, an empty start date and a time that does not read (only
    // blanks may follow it) are refused in red; typing or picking restores the colour.
    const struct
    {
        wxWindow* field;
        std::function<void()> spoil, mend;
    } rows[] = {
        {dlg->m_nameText, [&] { dlg->m_nameText->SetValue(""); }, [&] { dlg->m_nameText->SetValue("Lecture"); }},
        {dlg->m_startDate, [&] { dlg->m_startDate->SetValue(wxInvalidDateTime); },
         [&] { PickDate(dlg->m_startDate, wxDateTime(5, wxDateTime::May, 2026)); }},
        {dlg->m_timeText, [&] { dlg->m_timeText->SetValue("07:45:00 x"); }, [&] { dlg->m_timeText->SetValue("08:00"); }},
    };
    for (const auto& row : rows)
    {
        row.spoil();
        Send(dlg->m_okButton, wxEVT_BUTTON);
        EXPECT_TRUE(IsRed(row.field) && dlg->IsShown()) << &row - rows;
        row.mend();
        EXPECT_FALSE(IsRed(row.field)) << &row - rows;
    }
    EXPECT_EQ(dlg->GetSchedule().startTime, weekly.startTime);

    dlg->m_nameText->SetValue("Applied");
    Send(dlg->m_actionChoice, wxEVT_CHOICE, TurnOn);
    Send(dlg->m_enabledBox, wxEVT_CHECKBOX, false);
    Send(dlg->m_applyButton, wxEVT_BUTTON);
    const Schedule applied = dlg->GetSchedule();
    EXPECT_EQ(applied.name + (applied.enabled ? " enabled" : " disabled"), "Applied disabled");
    EXPECT_EQ(applied.action, TurnOn);
    EXPECT_EQ(applied.startTime, wxDateTime(5, wxDateTime::May, 2026, 8, 0));
    EXPECT_FALSE(dlg->m_revertButton->IsEnabled());

    dlg->m_nameText->SetValue("Changed");
    Send(dlg->m_sundayBox, wxEVT_CHECKBOX, true);
    Send(dlg->m_revertButton, wxEVT_BUTTON);
    EXPECT_EQ(dlg->m_nameText->GetValue(), "Applied");
    EXPECT_FALSE(dlg->m_sundayBox->GetValue());
    EXPECT_FALSE(dlg->m_applyButton->IsEnabled());
    for (wxButton* button : {dlg->m_okButton, dlg->m_cancelButton})
    {
        dlg->Show();
        Send(button, wxEVT_BUTTON);
        EXPECT_FALSE(dlg->IsShown());
        EXPECT_EQ(dlg->GetReturnCode(), button == dlg->m_okButton ? wxID_OK : wxID_CANCEL);
    }
}

TEST_F(ScheduleEditor, SavedFieldsMakeTheRecord)
{
    ScopedTimeZone zone("Europe/Berlin");
    SetScheduleClock([] { return wxDateTime(4, wxDateTime::May, 2026, 9, 0); });
    const struct
    {
        int repeat, startDay;
        const char* time;
        int endDay; // 0: cleared
        const char* record;
    } rows[] = {
        {Weekly, 4, "7:45", 10, "2026-05-04 07:45:00 to 2026-05-10 23:59:59"},
        {Daily, 4, "22:00:30", 0, "2026-05-04 22:00:30 to 9999-12-31 23:59:59"},
        // One-time on a later day: the disabled end date is no end, the start is the due moment.
        {Never, 20, "07:45:00   ", 4, "2026-05-20 07:45:00 to 9999-12-31 23:59:59"},
    };
    for (const auto& row : rows)
    {
        Open();
        Send(dlg->m_repeatChoice, wxEVT_CHOICE, row.repeat);
        PickDate(dlg->m_startDate, wxDateTime(row.startDay, wxDateTime::May, 2026));
        PickDate(dlg->m_endDate, row.endDay ? wxDateTime(row.endDay, wxDateTime::May, 2026) : wxInvalidDateTime);
        dlg->m_timeText->SetValue(row.time);
        ASSERT_EQ(dlg->SaveControls(), 0);
        Schedule s = dlg->GetSchedule();
        EXPECT_EQ(FormatScheduleTime(s.startTime) + " to " + FormatScheduleTime(s.stopTime), row.record);
        EXPECT_EQ(s.repeat, row.repeat) << row.record;
        EXPECT_FALSE(dlg->m_applyButton->IsEnabled()) << row.record;
        s.ComputeNext();
        EXPECT_TRUE(row.repeat != Never || s.nextTime == s.startTime);
    }
    SetScheduleClock(nullptr);
}

} // namespace
