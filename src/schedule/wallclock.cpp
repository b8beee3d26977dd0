#include "schedule/wallclock.h"

#include <algorithm>
#include <climits>
#include <ctime>

CalendarDay CalendarDay::Of(const wxDateTime& time)
{
    const wxDateTime::Tm tm = time.GetTm();
    return {tm.year, static_cast<int>(tm.mon), static_cast<int>(tm.mday)};
}

int CalendarDay::DaysIn(int year, int month)
{
    static const int DAYS[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month != 1)
        return DAYS[month];
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return leap ? 29 : 28;
}

void CalendarDay::NextDay()
{
    if (++day <= DaysIn(year, month))
        return;
    day = 1;
    NextMonth();
}

void CalendarDay::NextMonth()
{
    if (++month > 11)
    {
        month = 0;
        ++year;
    }
}

long long CalendarDay::DaysSinceEpoch() const
{
    const int y = year - (month < 2 ? 1 : 0);
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const int yearOfEra = static_cast<int>(y - era * 400);
    const int shiftedMonth = (month + 10) % 12; // March = 0
    const int dayOfYear = (153 * shiftedMonth + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

int CalendarDay::WeekDay() const
{
    const long long days = DaysSinceEpoch();
    return static_cast<int>(((days % 7) + 11) % 7); // 1 January 1970 was a Thursday
}

long SecondOfDay(const wxDateTime& time)
{
    const wxDateTime::Tm tm = time.GetTm();
    return tm.hour * 3600L + tm.min * 60L + tm.sec;
}

namespace {

// The years in which the toolkit itself takes the zone's rules from the C
// library; outside them it applies its own, and its own results are used.
constexpr int FIRST_ZONE_YEAR = 1971;
constexpr int LAST_ZONE_YEAR = 2036;

long UtcOffsetAt(time_t when)
{
    struct tm local = {};
    if (localtime_r(&when, &local) == nullptr)
        return LONG_MIN;
    return local.tm_gmtoff;
}

bool Shows(time_t when, const CalendarDay& day, long secondOfDay)
{
    struct tm local = {};
    return localtime_r(&when, &local) != nullptr && local.tm_year + 1900 == day.year && local.tm_mon == day.month &&
           local.tm_mday == day.day && local.tm_hour * 3600L + local.tm_min * 60L + local.tm_sec == secondOfDay;
}

wxDateTime AtMillisecond(time_t when, int millisecond)
{
    return wxDateTime(static_cast<wxLongLong>(when) * 1000 + millisecond);
}

} // namespace

wxDateTime LocalMoment(const CalendarDay& day, long secondOfDay, int millisecond)
{
    if (day.year >= FIRST_ZONE_YEAR && day.year <= LAST_ZONE_YEAR)
    {
        const time_t asUtc = static_cast<time_t>(day.DaysSinceEpoch() * SECONDS_PER_DAY + secondOfDay);
        // The offsets a day before and after: any change of the clocks near
        // this time lies between them.
        const long before = UtcOffsetAt(asUtc - SECONDS_PER_DAY);
        const long after = UtcOffsetAt(asUtc + SECONDS_PER_DAY);
        if (before != LONG_MIN && after != LONG_MIN)
        {
            // The larger offset gives the earlier moment.
            for (const long offset : {std::max(before, after), std::min(before, after)})
                if (Shows(asUtc - offset, day, secondOfDay))
                    return AtMillisecond(asUtc - offset, millisecond);
            return AtMillisecond(asUtc - before, millisecond); // in a gap: counted on with the old offset
        }
    }
    const long hour = secondOfDay / 3600, minute = secondOfDay / 60 % 60, second = secondOfDay % 60;
    return wxDateTime(static_cast<wxDateTime::wxDateTime_t>(day.day), static_cast<wxDateTime::Month>(day.month),
                      day.year, static_cast<wxDateTime::wxDateTime_t>(hour),
                      static_cast<wxDateTime::wxDateTime_t>(minute), static_cast<wxDateTime::wxDateTime_t>(second),
                      static_cast<wxDateTime::wxDateTime_t>(millisecond));
}

wxString FormatTimeOfDay(long secondOfDay)
{
    // A day in UTC has every second.
    const wxDateTime time(static_cast<time_t>(secondOfDay));
    return time.Format("%X", wxDateTime::UTC);
}
