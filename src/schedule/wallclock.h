#pragma once

#include <wx/datetime.h>
#include <wx/string.h>

// Local calendar days and wall-clock times as people read them, and the
// moments they stand for, decided without the C library's mktime (which,
// for a time that occurs twice, returns whichever its last call in the
// process happened to see).

constexpr long SECONDS_PER_DAY = 86400;

// A calendar day, stepped without any time-zone arithmetic.
struct CalendarDay
{
    int year;
    int month; // 0 = January
    int day;   // 1-based

    static CalendarDay Of(const wxDateTime& time);
    static int DaysIn(int year, int month);

    void NextDay();
    void NextMonth();
    int MonthIndex() const { return year * 12 + month; }
    // Days since 1 January 1970 in the proleptic Gregorian calendar.
    long long DaysSinceEpoch() const;
    // Sunday = 0, as the local calendar counts.
    int WeekDay() const;
};

// The wall-clock time of day of a moment: seconds after midnight.
long SecondOfDay(const wxDateTime& time);

// The moment of a wall-clock time of day on a day in local time:
// - a time that occurs twice (the clocks go back) is its first occurrence;
// - a time the day lacks (the clocks go forward) moves on by the length of
//   the gap: 02:30 in a skipped hour from 02:00 to 03:00 is 03:30.
wxDateTime LocalMoment(const CalendarDay& day, long secondOfDay, int millisecond = 0);

// A time of day as the locale shows it ("%X"), for any second of the day,
// also one that today lacks.
wxString FormatTimeOfDay(long secondOfDay);
