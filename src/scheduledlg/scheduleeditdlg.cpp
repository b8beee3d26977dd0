#include "scheduledlg/scheduleeditdlg.h"

#include "controls/fieldvalidity.h"
#include "schedule/wallclock.h"
#include "settings/settingsvalue.h"

#include <wx/settings.h>

namespace {

// The seven day boxes and their bits come in the base's order.
struct DayBox
{
    wxCheckBox* box;
    uint32_t bit;
};

constexpr int LAST_SECOND_OF_DAY = 86399;

// The days the settings file can hold.
const wxDateTime FIRST_DATE(1, wxDateTime::Jan, 1);
const wxDateTime LAST_DATE(31, wxDateTime::Dec, 9999);

bool StorableDate(const wxDateTime& date)
{
    return date.IsValid() && date.GetYear() >= 1 && date.GetYear() <= 9999;
}

// A day without any change of the clocks, to read a time of day on.
const wxDateTime PLAIN_DAY(15, wxDateTime::Jan, 2001);

// The toolkit's time parser takes a second (or minute) of 60 or 61 and moves
// the time on; here that is no time.
bool HasFieldOfSixty(wxString::const_iterator begin, wxString::const_iterator end)
{
    for (wxString::const_iterator it = begin; it != end; ++it)
    {
        if (*it != ':')
            continue;
        int value = 0;
        for (wxString::const_iterator digit = it + 1; digit != end && wxIsdigit(*digit); ++digit)
            value = value * 10 + (*digit - '0');
        if (value >= 60)
            return true;
    }
    return false;
}

} // namespace

ScheduleEditDlg::ScheduleEditDlg(wxWindow* parent) : ScheduleEditDlgBase(parent)
{
    m_startDate->SetRange(FIRST_DATE, LAST_DATE);
    m_endDate->SetRange(FIRST_DATE, LAST_DATE);
}

int ScheduleEditDlg::ShowModal()
{
    LoadControls();
    return ScheduleEditDlgBase::ShowModal();
}

void ScheduleEditDlg::SetModified(bool modified)
{
    m_applyButton->Enable(modified);
    m_revertButton->Enable(modified);
}

void ScheduleEditDlg::ApplyEnablingRules()
{
    const int repeat = m_repeatChoice->GetSelection();
    const bool weekly = repeat == Weekly;
    for (wxWindow* control : std::initializer_list<wxWindow*>{
             m_weekdaysBox, m_weekdaysLine, m_mondayBox, m_tuesdayBox, m_wednesdayBox, m_thursdayBox, m_fridayBox,
             m_weekendsBox, m_weekendsLine, m_saturdayBox, m_sundayBox})
        control->Enable(weekly);
    m_endDate->Enable(repeat != Never);
}

void ScheduleEditDlg::LoadControls()
{
    ShowFieldValidity(m_nameText, true);
    ShowFieldValidity(m_timeText, true);
    ShowFieldValidity(m_startDate, true);
    Refresh();

    m_nameText->SetValue(m_schedule.name);
    m_actionChoice->SetSelection(m_schedule.action);
    m_enabledBox->SetValue(m_schedule.enabled);
    m_repeatChoice->SetSelection(m_schedule.repeat);
    m_startDate->SetValue(m_schedule.startTime);
    m_endDate->SetValue(m_schedule.stopTime == ScheduleNeverTime ? wxInvalidDateTime : m_schedule.stopTime);

    m_timeText->SetValue(FormatTimeOfDay(m_schedule.StartSecondOfDay()));
    ShowFieldValidity(m_timeText, true);

    const DayBox days[] = {{m_mondayBox, DAY_MONDAY},     {m_tuesdayBox, DAY_TUESDAY}, {m_wednesdayBox, DAY_WEDNESDAY},
                           {m_thursdayBox, DAY_THURSDAY}, {m_fridayBox, DAY_FRIDAY},   {m_saturdayBox, DAY_SATURDAY},
                           {m_sundayBox, DAY_SUNDAY}};
    for (const DayBox& day : days)
        day.box->SetValue((m_schedule.days & day.bit) != 0);
    m_weekdaysBox->SetValue((m_schedule.days & DAY_WEEKDAYS) == DAY_WEEKDAYS);
    m_weekendsBox->SetValue((m_schedule.days & DAY_WEEKEND) == DAY_WEEKEND);

    ApplyEnablingRules();
    SetModified(false);
}

int ScheduleEditDlg::ParseTimeOfDay(const wxString& text)
{
    wxDateTime parsed = PLAIN_DAY;
    wxString::const_iterator end;
    if (!parsed.ParseTime(text, &end) || HasFieldOfSixty(text.begin(), end) || parsed.GetDay() != PLAIN_DAY.GetDay())
        return -1;
    while (end != text.end() && (*end == ' ' || *end == '\t'))
        ++end;
    if (end != text.end())
        return -1;
    // Wall-clock hours, minutes and seconds, read on a day that has them all.
    return parsed.GetHour() * 3600 + parsed.GetMinute() * 60 + parsed.GetSecond();
}

int ScheduleEditDlg::SaveControls()
{
    const int seconds = ParseTimeOfDay(m_timeText->GetValue());
    ShowFieldValidity(m_timeText, seconds >= 0);
    if (seconds < 0)
        return -1;

    // The start date is the day of every due moment; without it there is
    // nothing to add the time to.
    const wxDateTime startDate = m_startDate->GetValue();
    ShowFieldValidity(m_startDate, StorableDate(startDate));
    if (!StorableDate(startDate))
        return -1;

    // A line break would cut the name in the settings file.
    const wxString name = m_nameText->GetValue();
    if (name.empty() || !IsSingleLineText(name))
    {
        ShowFieldValidity(m_nameText, false);
        return -1;
    }

    m_schedule.name = name;
    m_schedule.action = m_actionChoice->GetSelection();
    m_schedule.enabled = m_enabledBox->GetValue();
    m_schedule.repeat = m_repeatChoice->GetSelection();
    // The time as typed stays the time of day of every due moment, also when
    // the start day lacks it.
    m_schedule.startTime = LocalMoment(CalendarDay::Of(startDate), seconds);
    m_schedule.timeOfDay = seconds;
    // A one-time schedule has no end date: its disabled end date control
    // still shows a day, which would drop a start on any later day.
    const wxDateTime endDate = m_endDate->GetValue();
    if (m_schedule.repeat == Never || !StorableDate(endDate))
        m_schedule.stopTime = ScheduleNeverTime;
    else
        m_schedule.stopTime = LocalMoment(CalendarDay::Of(endDate), LAST_SECOND_OF_DAY);

    const DayBox days[] = {{m_mondayBox, DAY_MONDAY},     {m_tuesdayBox, DAY_TUESDAY}, {m_wednesdayBox, DAY_WEDNESDAY},
                           {m_thursdayBox, DAY_THURSDAY}, {m_fridayBox, DAY_FRIDAY},   {m_saturdayBox, DAY_SATURDAY},
                           {m_sundayBox, DAY_SUNDAY}};
    m_schedule.days = 0;
    for (const DayBox& day : days)
        if (day.box->GetValue())
            m_schedule.days |= day.bit;

    SetModified(false);
    return 0;
}

void ScheduleEditDlg::OnNameText(wxCommandEvent&)
{
    ShowFieldValidity(m_nameText, true);
    SetModified(true);
}

void ScheduleEditDlg::OnActionChoice(wxCommandEvent&)
{
    SetModified(true);
}

void ScheduleEditDlg::OnEnabledCheck(wxCommandEvent&)
{
    SetModified(true);
}

void ScheduleEditDlg::OnRepeatChoice(wxCommandEvent&)
{
    ApplyEnablingRules();
    SetModified(true);
}

void ScheduleEditDlg::OnDateChanged(wxDateEvent& event)
{
    if (event.GetEventObject() == m_startDate)
        ShowFieldValidity(m_startDate, true);
    SetModified(true);
}

void ScheduleEditDlg::OnTimeText(wxCommandEvent&)
{
    ShowFieldValidity(m_timeText, true);
    SetModified(true);
}

void ScheduleEditDlg::OnTimeKillFocus(wxFocusEvent& event)
{
    event.Skip(); // the text control needs the event too
    const int seconds = ParseTimeOfDay(m_timeText->GetValue());
    ShowFieldValidity(m_timeText, seconds >= 0);
    if (seconds > 0)
        m_timeText->ChangeValue(FormatTimeOfDay(seconds));
}

void ScheduleEditDlg::OnDayCheck(wxCommandEvent& event)
{
    const wxObject* source = event.GetEventObject();
    const bool checked = event.IsChecked();
    if (source == m_weekdaysBox)
    {
        for (wxCheckBox* box : {m_mondayBox, m_tuesdayBox, m_wednesdayBox, m_thursdayBox, m_fridayBox})
            box->SetValue(checked);
    }
    else if (source == m_weekendsBox)
    {
        m_saturdayBox->SetValue(checked);
        m_sundayBox->SetValue(checked);
    }
    else
    {
        m_weekdaysBox->SetValue(m_mondayBox->GetValue() && m_tuesdayBox->GetValue() && m_wednesdayBox->GetValue() &&
                                m_thursdayBox->GetValue() && m_fridayBox->GetValue());
        m_weekendsBox->SetValue(m_saturdayBox->GetValue() && m_sundayBox->GetValue());
    }
    SetModified(true);
}

void ScheduleEditDlg::OnOk(wxCommandEvent&)
{
    if (SaveControls() == 0)
        Finish(wxID_OK);
}

void ScheduleEditDlg::OnApply(wxCommandEvent&)
{
    SaveControls();
}

void ScheduleEditDlg::OnRevert(wxCommandEvent&)
{
    LoadControls();
}

void ScheduleEditDlg::OnCancel(wxCommandEvent&)
{
    Finish(wxID_CANCEL);
}

void ScheduleEditDlg::Finish(int code)
{
    if (IsModal())
        EndModal(code);
    else
    {
        SetReturnCode(code);
        Hide();
    }
}
