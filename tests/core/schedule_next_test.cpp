// The next due moment of every kind of schedule, at the boundaries and
// across both changes of daylight-saving time, with "now" set by the test.

#include "schedule/schedule.h"
#include "schedule/scheduleclock.h"
#include "schedule/schedulestore.h"

#include "support/core/time_zone.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>

namespace {

const char* const NEVER = "never";

wxDateTime Local(const char* text)
{
    wxDateTime time;
    EXPECT_TRUE(ParseScheduleTime(text, time)) << text;
    return time;
}

// Leaves the C library's mktime with the offset of this month of 2026 as its
// last one.
void ConvertLocally(int month)
{
    struct tm time = {};
    time.tm_year = 2026 - 1900;
    time.tm_mon = month;
    time.tm_mday = 1;
    time.tm_hour = 12;
    time.tm_isdst = -1;
    mktime(&time);
}

TEST(ScheduleNext, EveryKindAtItsBoundariesAndAcrossClockChanges)
{
    // Summer time from 29 March 2026 02:00 (clocks forward to 03:00) to
    // 25 October 2026 03:00 (clocks back to 02:00). 10 May 2010 is a Monday.
    ScopedTimeZone zone("Europe/Berlin");
    // stop NEVER: no end date; next NEVER: never due.
    const struct { const char* now; int nowMs; int32_t repeat; uint32_t days; const char *start, *stop, *next; } rows[] = {
        // Daily: half a second and two seconds before the time of day, a later start.
        {"2010-05-10 07:44:59", 500, Daily, 0, "2010-05-03 07:45", NEVER, "2010-05-11 07:45:00 CEST"},
        {"2010-05-10 07:44:58", 0, Daily, 0, "2010-05-03 07:45", NEVER, "2010-05-10 07:45:00 CEST"},
        {"2010-05-10 08:00", 0, Daily, 0, "2010-05-17 07:45", NEVER, "2010-05-17 07:45:00 CEST"},
        // Weekly on Monday and Friday after Monday's time; a start on a day not chosen; no day.
        {"2010-05-10 08:00", 0, Weekly, DAY_MONDAY | DAY_FRIDAY, "2010-05-03 07:45", NEVER, "2010-05-14 07:45:00 CEST"},
        {"2010-05-10 08:00", 0, Weekly, DAY_MONDAY, "2010-05-19 07:45", NEVER, "2010-05-24 07:45:00 CEST"},
        {"2010-05-10 07:00", 0, Weekly, 0, "2010-05-03 07:45", NEVER, NEVER},
        // Monthly from the 31st: the clamped day carried on, a leap February.
        {"2010-04-15 12:00", 0, Monthly, 0, "2010-01-31 10:00", NEVER, "2010-04-28 10:00:00 CEST"},
        {"2012-02-10 12:00", 0, Monthly, 0, "2012-01-31 10:00", NEVER, "2012-02-29 10:00:00 CET"},
        // One-time to come and passed; an end date's last day to come and passed; an unknown kind.
        {"2010-05-10 08:00", 0, Never, 0, "2010-05-12 07:45", NEVER, "2010-05-12 07:45:00 CEST"},
        {"2010-05-10 08:00", 0, Never, 0, "2010-05-10 07:45", NEVER, NEVER},
        {"2010-05-10 21:00", 0, Daily, 0, "2010-05-01 22:00", "2010-05-10 23:59:59", "2010-05-10 22:00:00 CEST"},
        {"2010-05-10 22:30", 0, Daily, 0, "2010-05-01 22:00", "2010-05-10 23:59:59", NEVER},
        {"2010-05-10 07:00", 0, 7, 0, "2010-05-03 07:45", NEVER, NEVER},
        // Clocks forward on Sunday 29 March 2026: a daily, a time the day lacks, a weekly Sunday, a monthly.
        {"2026-03-28 08:00", 0, Daily, 0, "2026-03-20 07:45", NEVER, "2026-03-29 07:45:00 CEST"},
        {"2026-03-28 08:00", 0, Daily, 0, "2026-03-20 02:30", NEVER, "2026-03-29 03:30:00 CEST"},
        // A start inside the skipped hour moves that one time only; the days after keep 02:30.
        {"2026-03-28 08:00", 0, Daily, 0, "2026-03-29 02:30", NEVER, "2026-03-29 03:30:00 CEST"},
        {"2026-03-29 12:00", 0, Daily, 0, "2026-03-29 02:30", NEVER, "2026-03-30 02:30:00 CEST"},
        {"2026-03-28 08:00", 0, Weekly, DAY_SUNDAY, "2026-03-01 07:45", NEVER, "2026-03-29 07:45:00 CEST"},
        {"2026-03-29 12:00", 0, Monthly, 0, "2026-01-31 07:45", NEVER, "2026-04-28 07:45:00 CEST"},
        // Clocks back on Sunday 25 October 2026.
        {"2026-10-24 08:00", 0, Daily, 0, "2026-10-01 07:45", NEVER, "2026-10-25 07:45:00 CET"},
        {"2026-10-24 08:00", 0, Weekly, DAY_SUNDAY, "2026-10-04 07:45", NEVER, "2026-10-25 07:45:00 CET"},
        {"2026-10-26 12:00", 0, Monthly, 0, "2026-09-26 07:45", NEVER, "2026-11-26 07:45:00 CET"},
        // 02:30 occurs twice: due at the first; once that is done, and at the second, tomorrow.
        {"2026-10-25 01:00", 0, Daily, 0, "2026-10-01 02:30", NEVER, "2026-10-25 02:30:00 CEST"},
        {"2026-10-25 02:30", 0, Daily, 0, "2026-10-01 02:30", NEVER, "2026-10-26 02:30:00 CET"},
        {"2026-10-25 02:30", 3600000, Daily, 0, "2026-10-01 02:30", NEVER, "2026-10-26 02:30:00 CET"},
        {"2026-10-24 08:00", 0, Never, 0, "2026-10-25 02:30", NEVER, "2026-10-25 02:30:00 CEST"},
    };
    for (const auto& row : rows)
        // Whatever the C library's mktime converted last (summer or winter time).
        for (int lastMonth : {6, 11})
        {
            const wxDateTime now = Local(row.now) + wxTimeSpan::Milliseconds(row.nowMs);
            SetScheduleClock([now] { return now; });
            Schedule s;
            s.repeat = row.repeat;
            s.days = row.days;
            EXPECT_TRUE(ParseScheduleTime(row.start, s.startTime, &s.timeOfDay));
            s.stopTime = row.stop == NEVER ? ScheduleNeverTime : Local(row.stop);
            ConvertLocally(lastMonth);
            s.ComputeNext();
            EXPECT_EQ(s.nextTime == ScheduleNeverTime ? NEVER : s.nextTime.Format("%Y-%m-%d %H:%M:%S %Z").utf8_string(),
                      row.next)
                << row.now << " +" << row.nowMs << " ms, " << row.start;
        }
    SetScheduleClock(nullptr);
}

TEST(ScheduleNext, StoredTimesReadAndWriteTheSameInAnyZone)
{
    for (const char* zone : {"UTC", "America/New_York", "Australia/Sydney"})
    {
        ScopedTimeZone scoped(zone);
        wxDateTime read;
        ASSERT_TRUE(ParseScheduleTime("9999-12-31 23:59:59", read)) << zone;
        EXPECT_EQ(read, ScheduleNeverTime) << zone;
        EXPECT_EQ(FormatScheduleTime(Local("2010-05-03 07:45")), "2010-05-03 07:45:00") << zone;
        // A time past the never-time is not written as "10000-01-01 00:00:00", which does not read.
        EXPECT_EQ(FormatScheduleTime(ScheduleNeverTime + wxTimeSpan::Second()), "9999-12-31 23:59:59") << zone;
    }
    // 01:30 occurs twice in New York on 1 November 2026: the first, whatever mktime converted last.
    ScopedTimeZone newYork("America/New_York");
    for (int lastMonth : {6, 11})
    {
        ConvertLocally(lastMonth);
        EXPECT_EQ(Local("2026-11-01 01:30").Format("%H:%M %Z"), "01:30 EDT") << lastMonth;
    }
}

} // namespace
