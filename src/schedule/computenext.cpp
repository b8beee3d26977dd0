// The next due moment of a schedule. Times of day are wall-clock times: a
// candidate is a calendar day at the record's time of day, and a step is one
// calendar day (or month), so a daily 07:45 stays at 07:45 when the clocks
// change. Only a candidate that falls into a skipped hour moves (LocalMoment).

#include "schedule/schedule.h"

#include "schedule/scheduleclock.h"
#include "schedule/wallclock.h"

#include <algorithm>

namespace {

// The record's wall-clock time of day, with startTime's milliseconds.
struct TimeOfDay
{
    long second;
    int millisecond;
};

wxDateTime At(const CalendarDay& day, const TimeOfDay& time)
{
    return LocalMoment(day, time.second, time.millisecond);
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

wxDateTime NextDaily(const wxDateTime& start, const TimeOfDay& time, const wxDateTime& t)
{
    CalendarDay day{};
    wxDateTime candidate = FirstCandidate(start, t, time, day);
    if (candidate < t)
    {
        day.NextDay();
        candidate = At(day, time);
    }
    return candidate;
}

wxDateTime NextWeekly(const wxDateTime& start, const TimeOfDay& time, const wxDateTime& t, uint32_t days)
{
    if ((days & DAY_ALL) == 0)
        return ScheduleNeverTime;
    CalendarDay day{};
    wxDateTime candidate = FirstCandidate(start, t, time, day);
    // Only the first day's candidate can lie before t; every later day's
    // lies after it, so the days are stepped without building times.
    bool stepped = false;
    if (candidate < t)
    {
        day.NextDay();
        stepped = true;
    }
    for (int step = 0; step < 7 && (days & (1u << day.WeekDay())) == 0; ++step)
    {
        day.NextDay();
        stepped = true;
    }
    return stepped ? At(day, time) : candidate;
}

// Adding a month keeps the day of the month; a day the month lacks becomes
// its last day, and later steps go on from that day.
wxDateTime NextMonthly(const wxDateTime& start, const TimeOfDay& time, const wxDateTime& t)
{
    if (!(start < t))
        return start;
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
    const TimeOfDay time{StartSecondOfDay(), startTime.GetMillisecond()};

    switch (repeat)
    {
    case Never:
        if (t < startTime)
            nextTime = startTime;
        break;
    case Daily:
        nextTime = NextDaily(startTime, time, t);
        break;
    case Weekly:
        nextTime = NextWeekly(startTime, time, t, days);
        break;
    case Monthly:
        nextTime = NextMonthly(startTime, time, t);
        break;
    default:
        break;
    }

    if (stopTime.IsValid() && stopTime < nextTime)
        nextTime = ScheduleNeverTime;
}
