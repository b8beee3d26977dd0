#include "schedule/schedule.h"

#include "schedule/scheduleclock.h"
#include "schedule/wallclock.h"

const wxDateTime ScheduleNeverTime(31, wxDateTime::Dec, 9999, 23, 59, 59, 0);

ScheduleList theScheduleList;

Schedule::Schedule() : startTime(ScheduleNow()), stopTime(startTime)
{
}

long Schedule::StartSecondOfDay() const
{
    return timeOfDay >= 0 && timeOfDay < SECONDS_PER_DAY ? timeOfDay : SecondOfDay(startTime);
}

namespace {

struct Keyword
{
    const char* read;    // compared without regard to case
    const char* written; // stored and shown
};

const Keyword REPEATS[] = {
    {"NEVER", "Never"},
    {"DAILY", "Daily"},
    {"WEEKLY", "Weekly"},
    {"MONTHLY", "Monthly"},
};

const Keyword ACTIONS[] = {
    {"TurnOff", "TurnOff"},
    {"TurnOn", "TurnOn"},
};

// Monday to Sunday, the order of the stored text and of the letters.
struct DayCode
{
    const char* code;
    const char* item;
    char letter;
    uint32_t bit;
};

const DayCode DAYS[] = {
    {"MON", "Mon,", 'M', DAY_MONDAY},   {"TUE", "Tue,", 'T', DAY_TUESDAY},
    {"WED", "Wed,", 'W', DAY_WEDNESDAY}, {"THU", "Thu,", 'T', DAY_THURSDAY},
    {"FRI", "Fri,", 'F', DAY_FRIDAY},   {"SAT", "Sat,", 'S', DAY_SATURDAY},
    {"SUN", "Sun,", 'S', DAY_SUNDAY},
};

template <size_t N>
bool ParseKeyword(const Keyword (&keywords)[N], const wxString& text, int32_t& value)
{
    for (size_t i = 0; i < N; ++i)
        if (text.CmpNoCase(keywords[i].read) == 0)
        {
            value = static_cast<int32_t>(i);
            return true;
        }
    return false;
}

template <size_t N>
wxString KeywordText(const Keyword (&keywords)[N], int32_t value)
{
    if (value < 0 || static_cast<size_t>(value) >= N)
        return wxString();
    return keywords[value].written;
}

} // namespace

bool ParseRepeat(const wxString& text, int32_t& repeat)
{
    return ParseKeyword(REPEATS, text, repeat);
}

bool ParseAction(const wxString& text, int32_t& action)
{
    return ParseKeyword(ACTIONS, text, action);
}

bool ParseDays(const wxString& text, uint32_t& days)
{
    uint32_t set = 0;
    wxString rest = text;
    while (!rest.empty())
    {
        wxString item;
        const int comma = rest.Find(',');
        if (comma == wxNOT_FOUND)
        {
            item = rest;
            rest.clear();
        }
        else
        {
            item = rest.Left(static_cast<size_t>(comma));
            rest = rest.Mid(static_cast<size_t>(comma) + 1);
        }
        bool known = false;
        for (const DayCode& day : DAYS)
            if (item.CmpNoCase(day.code) == 0)
            {
                set |= day.bit;
                known = true;
                break;
            }
        if (!known)
            return false;
    }
    days = set;
    return true;
}

wxString RepeatDisplayName(const Schedule& schedule)
{
    return KeywordText(REPEATS, schedule.repeat);
}

wxString ActionKeyword(const Schedule& schedule)
{
    return KeywordText(ACTIONS, schedule.action);
}

wxString DaysText(const Schedule& schedule)
{
    wxString text;
    for (const DayCode& day : DAYS)
        if (schedule.days & day.bit)
            text += day.item;
    return text;
}

wxString DaysLetters(const Schedule& schedule)
{
    wxString letters;
    for (const DayCode& day : DAYS)
        letters += (schedule.days & day.bit) ? day.letter : '-';
    return letters;
}
