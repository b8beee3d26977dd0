#include "schedule/schedulestore.h"

#include "settings/settings.h"

namespace {

const char* const KEY_SCHEDULES_GROUP = "/Schedules";
const char* const KEY_SCHEDULES_ENABLED = "/Schedules/Enabled";
const char* const TIME_FORMAT = "%Y-%m-%d %H:%M:%S";
const char* const TIME_FORMAT_NO_SECONDS = "%Y-%m-%d %H:%M";

wxString Prefix(unsigned index)
{
    return wxString::Format("/Schedules/%u/", index);
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

bool ParseWhole(const wxString& text, const char* format, wxDateTime& time)
{
    wxDateTime parsed;
    wxString::const_iterator end;
    if (!parsed.ParseFormat(text, format, &end) || end != text.end())
        return false;
    time = parsed;
    return true;
}

} // namespace

wxString FormatScheduleTime(const wxDateTime& time)
{
    return time.Format(TIME_FORMAT);
}

bool ParseScheduleTime(const wxString& text, wxDateTime& time)
{
    // The never-time is a fixed text, whatever the time zone is now.
    if (text == FormatScheduleTime(ScheduleNeverTime) || text == "9999-12-31 23:59:59")
    {
        time = ScheduleNeverTime;
        return true;
    }
    return ParseWhole(text, TIME_FORMAT, time) || ParseWhole(text, TIME_FORMAT_NO_SECONDS, time);
}

int LoadSchedule(Schedule& schedule, unsigned index)
{
    const wxString prefix = Prefix(index);
    bool ok = true;
    wxString text;

    ok &= ReadText(prefix + "Name", schedule.name);
    ok &= ReadFlag(prefix + "Enabled", schedule.enabled);
    ok &= ReadText(prefix + "Repeat", text) && ParseRepeat(text, schedule.repeat);
    ok &= ReadText(prefix + "Action", text) && ParseAction(text, schedule.action);
    ok &= ReadText(prefix + "Days", text) && ParseDays(text, schedule.days);
    ok &= ReadText(prefix + "StartTime", text) && ParseScheduleTime(text, schedule.startTime);
    ok &= ReadText(prefix + "StopTime", text) && ParseScheduleTime(text, schedule.stopTime);
    return ok ? 0 : -1;
}

int SaveSchedule(const Schedule& schedule, unsigned index)
{
    if (theSettings == nullptr)
        return 0;
    const wxString prefix = Prefix(index);
    theSettings->Write(prefix + "Name", schedule.name);
    theSettings->Write(prefix + "Enabled", schedule.enabled);
    theSettings->Write(prefix + "Repeat", RepeatDisplayName(schedule));
    theSettings->Write(prefix + "Action", ActionKeyword(schedule));
    theSettings->Write(prefix + "Days", DaysText(schedule));
    theSettings->Write(prefix + "StartTime", FormatScheduleTime(schedule.startTime));
    theSettings->Write(prefix + "StopTime", FormatScheduleTime(schedule.stopTime));
    return 0;
}

int ClearStoredSchedules()
{
    if (theSettings == nullptr)
        return 0;
    const bool enabled = GetSchedulesEnabled();
    theSettings->DeleteGroup(KEY_SCHEDULES_GROUP);
    theSettings->Write(KEY_SCHEDULES_ENABLED, enabled);
    return 0;
}

void LoadScheduleList()
{
    Schedule scratch;
    for (unsigned index = 0; LoadSchedule(scratch, index) == 0; ++index)
        theScheduleList.push_back(scratch);
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
