// The next due moment of a schedule. Times of day are wall-clock times: a
// candidate is a calendar day at startTime's hours, minutes and seconds, and
// a step is one calendar day (or month), so a daily 07:45 stays at 07:45
// when the clocks change. A time that the day lacks (the hour skipped when
// the clocks go forward) becomes the toolkit's normalised time, one hour on.

#include "schedule/schedule.h"

#include "schedule/scheduleclock.h"

#include <algorithm>
#include <climits>
#include <ctime>

namespace {

// A calendar day, stepped without any time-zone arithmetic.
struct CalendarDay
{
    int year;
    int month; // 0 = January
    int day;   // 1-based

    static CalendarDay Of(const wxDateTime& time)
    {
        const wxDateTime::Tm tm = time.GetTm();
        return {tm.year, static_cast<int>(tm.mon), static_cast<int>(tm.mday)};
    }

    static int DaysIn(int year, int month)
    {
        static const int DAYS[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        if (month != 1)
            return DAYS[month];
        const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
        return leap ? 29 : 28;
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

    // Days since 1 January 1970 in the proleptic Gregorian calendar.
    long long DaysSinceEpoch() const
    {
        const int y = year - (month < 2 ? 1 : 0);
        const long long era = (y >= 0 ? y : y - 399) / 400;
        const int yearOfEra = static_cast<int>(y - era * 400);
        const int shiftedMonth = (month + 10) % 12; // March = 0
        const int dayOfYear = (153 * shiftedMonth + 2) / 5 + day - 1;
        const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
        return era * 146097 + dayOfEra - 719468;
    }

    // Sunday = 0, as the local calendar counts.
    int WeekDay() const
    {
        const long long days = DaysSinceEpoch();
        return static_cast<int>(((days % 7) + 11) % 7); // 1 January 1970 was a Thursday
    }
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

long UtcOffsetAt(time_t when, struct tm& local)
{
    if (localtime_r(&when, &local) == nullptr)
        return LONG_MIN;
    return local.tm_gmtoff;
}

// The moment of a wall-clock time without the C library's mktime, which
// checks the zone file on every call when TZ is not set (about 30 times
// slower). Near a change of the clocks, and outside the years in which the
// toolkit itself uses the zone's rules, the toolkit decides (it moves a
// time that the day lacks forward).
bool FastLocalTime(const CalendarDay& day, const TimeOfDay& time, wxDateTime& result)
{
    if (day.year < 1971 || day.year > 2036)
        return false;
    const time_t asUtc =
        static_cast<time_t>(day.DaysSinceEpoch() * 86400 + time.hour * 3600 + time.minute * 60 + time.second);
    struct tm local = {};
    const long guess = UtcOffsetAt(asUtc, local);
    if (guess == LONG_MIN)
        return false;
    const time_t when = asUtc - guess;
    const long offset = UtcOffsetAt(when, local);
    if (offset != guess || local.tm_hour != time.hour || local.tm_min != time.minute || local.tm_sec != time.second ||
        local.tm_mday != day.day || local.tm_mon != day.month || local.tm_year + 1900 != day.year)
        return false;
    // No change of the clocks within three hours either way: the time is
    // neither skipped nor repeated.
    struct tm around = {};
    if (UtcOffsetAt(when - 3 * 3600, around) != offset || UtcOffsetAt(when + 3 * 3600, around) != offset)
        return false;
    result = wxDateTime(static_cast<wxLongLong>(when) * 1000 + time.millisecond);
    return true;
}

wxDateTime At(const CalendarDay& day, const TimeOfDay& time)
{
    wxDateTime fast;
    if (FastLocalTime(day, time, fast))
        return fast;
    return wxDateTime(static_cast<wxDateTime::wxDateTime_t>(day.day), static_cast<wxDateTime::Month>(day.month),
                      day.year, time.hour, time.minute, time.second, time.millisecond);
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
