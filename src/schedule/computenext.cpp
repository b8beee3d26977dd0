// The next due moment of a schedule. Times of day are wall-clock times: a
// candidate is a calendar day at startTime's hours, minutes and seconds, and
// a step is one calendar day (or month), so a daily 07:45 stays at 07:45
// when the clocks change. A time that the day lacks (the hour skipped when
// the clocks go forward) becomes the toolkit's normalised time, one hour on.

#include "schedule/schedule.h"

#include "schedule/scheduleclock.h"

#include <algorithm>

namespace {

// A calendar day, stepped without any time-zone arithmetic.
struct CalendarDay
{
    int year;
    int month; // 0 = January
    int day;   // 1-based

    static CalendarDay Of(const wxDateTime& time)
    {
        return {time.GetYear(), static_cast<int>(time.GetMonth()), static_cast<int>(time.GetDay())};
    }

    static int DaysIn(int year, int month)
    {
        return wxDateTime::GetNumberOfDays(static_cast<wxDateTime::Month>(month), year);
    }

    void NextDay()
    {
        if (++day <= DaysIn(year, month))
            return;
        day = 1;
        NextMonth();
    }

    void NextMonth()
    {
        if (++month > 11)
        {
            month = 0;
            ++year;
        }
    }

    int MonthIndex() const { return year * 12 + month; }
};

// startTime's wall-clock time of day.
struct TimeOfDay
{
    unsigned short hour, minute, second, millisecond;

    static TimeOfDay Of(const wxDateTime& time)
    {
        const wxDateTime::Tm tm = time.GetTm();
        return {tm.hour, tm.min, tm.sec, tm.msec};
    }
};

wxDateTime At(const CalendarDay& day, const TimeOfDay& time)
{
    return wxDateTime(static_cast<wxDateTime::wxDateTime_t>(day.day), static_cast<wxDateTime::Month>(day.month),
                      day.year, time.hour, time.minute, time.second, time.millisecond);
}

wxDateTime::WeekDay WeekDayOf(const CalendarDay& day)
{
    return wxDateTime(static_cast<wxDateTime::wxDateTime_t>(day.day), static_cast<wxDateTime::Month>(day.month),
                      day.year, 12)
        .GetWeekDay();
}

// The first candidate of the daily and weekly kinds: startTime while it is
// still to come, else today at startTime's time of day.
wxDateTime FirstCandidate(const wxDateTime& start, const wxDateTime& t, const TimeOfDay& time, CalendarDay& day)
{
    if (t < start)
    {
        day = CalendarDay::Of(start);
        return start;
    }
    day = CalendarDay::Of(t);
    return At(day, time);
}

wxDateTime NextDaily(const wxDateTime& start, const wxDateTime& t)
{
    const TimeOfDay time = TimeOfDay::Of(start);
    CalendarDay day{};
    wxDateTime candidate = FirstCandidate(start, t, time, day);
    if (candidate < t)
    {
        day.NextDay();
        candidate = At(day, time);
    }
    return candidate;
}

wxDateTime NextWeekly(const wxDateTime& start, const wxDateTime& t, uint32_t days)
{
    if ((days & DAY_ALL) == 0)
        return ScheduleNeverTime;
    const TimeOfDay time = TimeOfDay::Of(start);
    CalendarDay day{};
    wxDateTime candidate = FirstCandidate(start, t, time, day);
    // At most one step to reach t, then a week to find a chosen day.
    for (int step = 0; step < 16; ++step)
    {
        if (!(candidate < t) && (days & (1u << WeekDayOf(day))) != 0)
            return candidate;
        day.NextDay();
        candidate = At(day, time);
    }
    return ScheduleNeverTime;
}

// Adding a month keeps the day of the month; a day the month lacks becomes
// its last day, and later steps go on from that day.
wxDateTime NextMonthly(const wxDateTime& start, const wxDateTime& t)
{
    if (!(start < t))
        return start;
    const TimeOfDay time = TimeOfDay::Of(start);
    CalendarDay day = CalendarDay::Of(start);
    const int lastMonthBefore = CalendarDay::Of(t).MonthIndex() - 1;
    for (;;)
    {
        day.NextMonth();
        day.day = std::min(day.day, CalendarDay::DaysIn(day.year, day.month));
        if (day.MonthIndex() <= lastMonthBefore)
            continue; // a month before t's month: earlier than t
        const wxDateTime candidate = At(day, time);
        if (!(candidate < t))
            return candidate;
    }
}

} // namespace

void Schedule::ComputeNext()
{
    nextTime = ScheduleNeverTime;
    if (!startTime.IsValid())
        return;
    const wxDateTime t = ScheduleNow() + wxTimeSpan::Second();

    switch (repeat)
    {
    case Never:
        if (t < startTime)
            nextTime = startTime;
        break;
    case Daily:
        nextTime = NextDaily(startTime, t);
        break;
    case Weekly:
        nextTime = NextWeekly(startTime, t, days);
        break;
    case Monthly:
        nextTime = NextMonthly(startTime, t);
        break;
    default:
        break;
    }

    if (stopTime.IsValid() && stopTime < nextTime)
        nextTime = ScheduleNeverTime;
}
