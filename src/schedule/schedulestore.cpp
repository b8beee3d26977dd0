#include "schedule/schedulestore.h"

#include "log/log.h"
#include "schedule/wallclock.h"
#include "settings/settings.h"

#include <algorithm>
#include <climits>
#include <vector>

namespace {

const char* const KEY_SCHEDULES_GROUP = "/Schedules";
const char* const KEY_SCHEDULES_ENABLED = "/Schedules/Enabled";
const char* const NEVER_TEXT = "9999-12-31 23:59:59";

// Whether the stored records are numbered as theScheduleList is: not so
// after loading left one out, until the list is written whole again.
bool storedInStep = true;

wxString GroupOf(unsigned index)
{
    return wxString::Format("/Schedules/%u", index);
}

// The store's current group while it lives. A record's keys are read and
// written by their short names inside its group: one change of the path
// instead of one for each key.
class StorePath
{
public:
    explicit StorePath(const wxString& path) : m_oldPath(theSettings->GetPath()) { theSettings->SetPath(path); }
    ~StorePath() { theSettings->SetPath(m_oldPath); }
    StorePath(const StorePath&) = delete;
    StorePath& operator=(const StorePath&) = delete;

private:
    wxString m_oldPath;
};

// The numbers of the stored records, in ascending order; a group whose name
// is no plain number is no record.
std::vector<unsigned> StoredIndices()
{
    std::vector<unsigned> indices;
    if (theSettings == nullptr || !theSettings->HasGroup(KEY_SCHEDULES_GROUP))
        return indices;
    const StorePath schedules(KEY_SCHEDULES_GROUP);
    wxString name;
    long cookie = 0;
    for (bool more = theSettings->GetFirstGroup(name, cookie); more; more = theSettings->GetNextGroup(name, cookie))
    {
        unsigned long index = 0;
        if (name.ToULong(&index) && index <= UINT_MAX && name == wxString::Format("%lu", index))
            indices.push_back(static_cast<unsigned>(index));
    }
    std::sort(indices.begin(), indices.end());
    return indices;
}

bool ReadText(const wxString& key, wxString& value)
{
    return theSettings != nullptr && theSettings->Read(key, &value);
}

// The store's bool: a whole number, non-zero is true; a word is invalid.
bool ReadFlag(const wxString& key, bool& value)
{
    return theSettings != nullptr && theSettings->Read(key, &value);
}

// Reads 1 to maxDigits decimal digits from pos on.
bool ReadNumber(const wxString& text, size_t& pos, size_t maxDigits, int& value)
{
    value = 0;
    size_t digits = 0;
    for (; pos < text.size() && digits < maxDigits && wxIsdigit(text[pos]); ++pos, ++digits)
        value = value * 10 + (text[pos] - '0');
    return digits > 0;
}

bool Expect(const wxString& text, size_t& pos, wxUniChar what)
{
    if (pos >= text.size() || text[pos] != what)
        return false;
    ++pos;
    return true;
}

bool InRange(int value, int low, int high)
{
    return value >= low && value <= high;
}

// "%Y-%m-%d %H:%M" with optional ":%S", every field a real one: a year of
// 1 to 9999, a day the month has, no second 60. (The toolkit's parser takes
// "23:59:60" and the year 10000 and moves them to another day.)
bool ParseFields(const wxString& text, CalendarDay& day, long& secondOfDay)
{
    size_t pos = 0;
    int year = 0, month = 0, mday = 0, hour = 0, minute = 0, second = 0;
    if (!ReadNumber(text, pos, 4, year) || !Expect(text, pos, '-') || !ReadNumber(text, pos, 2, month) ||
        !Expect(text, pos, '-') || !ReadNumber(text, pos, 2, mday) || !Expect(text, pos, ' ') ||
        !ReadNumber(text, pos, 2, hour) || !Expect(text, pos, ':') || !ReadNumber(text, pos, 2, minute))
        return false;
    if (pos < text.size() && (!Expect(text, pos, ':') || !ReadNumber(text, pos, 2, second)))
        return false;
    if (pos != text.size() || !InRange(year, 1, 9999) || !InRange(month, 1, 12) || !InRange(hour, 0, 23) ||
        !InRange(minute, 0, 59) || !InRange(second, 0, 59) || !InRange(mday, 1, CalendarDay::DaysIn(year, month - 1)))
        return false;
    day = {year, month - 1, mday};
    secondOfDay = hour * 3600L + minute * 60L + second;
    return true;
}

} // namespace

wxString FormatScheduleTime(const wxDateTime& time, long secondOfDay)
{
    if (!time.IsValid() || !(time < ScheduleNeverTime))
        return NEVER_TEXT;
    CalendarDay day = CalendarDay::Of(time);
    if (secondOfDay < 0 || secondOfDay >= SECONDS_PER_DAY)
        secondOfDay = SecondOfDay(time);
    if (day.year < 1) // before any date the reader takes: the first one it takes
    {
        day = {1, 0, 1};
        secondOfDay = 0;
    }
    return wxString::Format("%04d-%02d-%02d %02ld:%02ld:%02ld", day.year, day.month + 1, day.day, secondOfDay / 3600,
                            secondOfDay / 60 % 60, secondOfDay % 60);
}

bool ParseScheduleTime(const wxString& text, wxDateTime& time, int32_t* timeOfDay)
{
    CalendarDay day{};
    long secondOfDay = -1;
    // The never-time is a fixed text, whatever the time zone is now.
    if (text == NEVER_TEXT)
        time = ScheduleNeverTime;
    else if (ParseFields(text, day, secondOfDay))
        time = LocalMoment(day, secondOfDay);
    else
        return false;
    if (timeOfDay != nullptr)
        *timeOfDay = static_cast<int32_t>(secondOfDay);
    return true;
}

int LoadSchedule(Schedule& schedule, unsigned index)
{
    if (theSettings == nullptr || !theSettings->HasGroup(GroupOf(index)))
        return -1;
    const StorePath group(GroupOf(index));
    bool ok = true;
    wxString text;

    ok &= ReadText("Name", schedule.name);
    ok &= ReadFlag("Enabled", schedule.enabled);
    ok &= ReadText("Repeat", text) && ParseRepeat(text, schedule.repeat);
    ok &= ReadText("Action", text) && ParseAction(text, schedule.action);
    ok &= ReadText("Days", text) && ParseDays(text, schedule.days);
    ok &= ReadText("StartTime", text) && ParseScheduleTime(text, schedule.startTime, &schedule.timeOfDay);
    ok &= ReadText("StopTime", text) && ParseScheduleTime(text, schedule.stopTime);
    return ok ? 0 : -1;
}

int SaveSchedule(const Schedule& schedule, unsigned index)
{
    if (theSettings == nullptr)
        return 0;
    const StorePath group(GroupOf(index));
    theSettings->Write("Name", schedule.name);
    theSettings->Write("Enabled", schedule.enabled);
    theSettings->Write("Repeat", RepeatDisplayName(schedule));
    theSettings->Write("Action", ActionKeyword(schedule));
    theSettings->Write("Days", DaysText(schedule));
    theSettings->Write("StartTime", FormatScheduleTime(schedule.startTime, schedule.StartSecondOfDay()));
    theSettings->Write("StopTime", FormatScheduleTime(schedule.stopTime));
    return 0;
}

int ClearStoredSchedules()
{
    storedInStep = true;
    if (theSettings == nullptr)
        return 0;
    const bool enabled = GetSchedulesEnabled();
    theSettings->DeleteGroup(KEY_SCHEDULES_GROUP);
    theSettings->Write(KEY_SCHEDULES_ENABLED, enabled);
    return 0;
}

int StoreSchedule(const ScheduleList& list, size_t index)
{
    if (!storedInStep)
        return StoreSchedulesFrom(list, 0);
    if (index < list.size())
        SaveSchedule(list[index], static_cast<unsigned>(index));
    return 0;
}

int StoreSchedulesFrom(const ScheduleList& list, size_t first)
{
    if (!storedInStep)
    {
        ClearStoredSchedules();
        first = 0;
    }
    for (size_t index = first; index < list.size(); ++index)
        SaveSchedule(list[index], static_cast<unsigned>(index));
    // What lies past the end: the last record's old place after a removal.
    for (unsigned index = static_cast<unsigned>(list.size());
         theSettings != nullptr && theSettings->HasGroup(GroupOf(index)); ++index)
        theSettings->DeleteGroup(GroupOf(index));
    return 0;
}

void LoadScheduleList()
{
    const std::vector<unsigned> indices = StoredIndices();
    storedInStep = true;
    for (size_t position = 0; position < indices.size(); ++position)
    {
        Schedule record;
        if (LoadSchedule(record, indices[position]) == 0)
        {
            theScheduleList.push_back(record);
            storedInStep &= indices[position] == position;
        }
        else
        {
            storedInStep = false;
            if (theLog != nullptr)
                theLog->Print(Log::LEVEL_ERROR, "schedule %u of the settings file cannot be read and is left out",
                              indices[position]);
        }
    }
}

bool GetSchedulesEnabled()
{
    bool enabled = true;
    if (theSettings != nullptr)
        theSettings->Read(KEY_SCHEDULES_ENABLED, &enabled, true);
    return enabled;
}

void SetSchedulesEnabled(bool enabled)
{
    if (theSettings != nullptr)
        theSettings->Write(KEY_SCHEDULES_ENABLED, enabled);
}
