#pragma once

#include <wx/datetime.h>
#include <wx/string.h>

#include <cstdint>
#include <vector>

enum ScheduleAction : int32_t
{
    TurnOff = 0,
    TurnOn = 1,
};

enum ScheduleRepeat : int32_t
{
    Never = 0,
    Daily = 1,
    Weekly = 2,
    Monthly = 3,
};

// Weekdays as bits, counted from Sunday = 0 as the local calendar does.
enum ScheduleDay : uint32_t
{
    DAY_SUNDAY = 0x01,
    DAY_MONDAY = 0x02,
    DAY_TUESDAY = 0x04,
    DAY_WEDNESDAY = 0x08,
    DAY_THURSDAY = 0x10,
    DAY_FRIDAY = 0x20,
    DAY_SATURDAY = 0x40,
    DAY_ALL = 0x7F,
    DAY_WEEKDAYS = 0x3E,
    DAY_WEEKEND = 0x41,
};

// 31 December 9999 23:59:59 local time: as a stop time no end date, as a
// next time never due.
extern const wxDateTime ScheduleNeverTime;

// One timed switch of the projector. A plain value, copied freely.
struct Schedule
{
    // A new record: enabled, TurnOff, Never, starting and stopping now.
    Schedule();

    wxString name;
    bool enabled = true;
    int32_t action = TurnOff;
    int32_t repeat = Never;
    wxDateTime startTime;
    wxDateTime stopTime;
    uint32_t days = 0;
    // The wall-clock time of day of every due moment, in seconds after
    // midnight, as entered or stored: startTime cannot hold a time that its
    // day lacks (it moves on by the skipped hour). -1: startTime's own.
    int32_t timeOfDay = -1;
    wxDateTime nextTime; // computed, never stored

    long StartSecondOfDay() const;

    // Sets nextTime to the first due moment after the current time (plus one
    // second), or to ScheduleNeverTime. Times of day are wall-clock times:
    // a daily 07:45 stays at 07:45 across a change of daylight-saving time;
    // a time that occurs twice that night is due at its first occurrence.
    void ComputeNext();
};

using ScheduleList = std::vector<Schedule>;

// The program's schedules; the index is the number in their settings keys.
extern ScheduleList theScheduleList;

// Keyword (any case) to value; false and the output untouched otherwise.
bool ParseRepeat(const wxString& text, int32_t& repeat);
bool ParseAction(const wxString& text, int32_t& action);
// Comma-separated day codes (any case, final comma optional); false and the
// output untouched for an unknown or empty item.
bool ParseDays(const wxString& text, uint32_t& days);

// "Never", "Daily", "Weekly", "Monthly"; empty for any other value.
wxString RepeatDisplayName(const Schedule& schedule);
// "TurnOff", "TurnOn"; empty for any other value.
wxString ActionKeyword(const Schedule& schedule);
// "Mon,Wed," and so on, Monday to Sunday, as stored.
wxString DaysText(const Schedule& schedule);
// Seven letters Monday to Sunday, "-" for a day not selected: "M-W-F--".
wxString DaysLetters(const Schedule& schedule);
