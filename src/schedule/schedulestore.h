#pragma once

#include "schedule/schedule.h"

// Schedules in the settings store (theSettings), group "Schedules": the
// global switch "Schedules/Enabled" and one group per record under its index.

// Reads the seven keys of that index; 0 when all were present and valid,
// else -1 (the record is then of no use).
int LoadSchedule(Schedule& schedule, unsigned index);
// Writes the seven keys of that index, without flushing; returns 0.
int SaveSchedule(const Schedule& schedule, unsigned index);
// Removes every stored record but keeps the global switch; returns 0.
int ClearStoredSchedules();
// Writes list[index] under its index, or the whole list when the stored
// numbers are not the list's (loading left a record out); no flush, 0.
int StoreSchedule(const ScheduleList& list, size_t index);
// After a record was removed from the list at first: writes the records
// from first on under their new numbers and removes what is stored past the
// list's end; no flush, 0.
int StoreSchedulesFrom(const ScheduleList& list, size_t first);
// Appends every stored record to theScheduleList in the order of their
// numbers; a record that does not read is left out with an Error naming its
// number, and the records after it still load.
void LoadScheduleList();

// The switch for all schedules; a missing key reads as true.
bool GetSchedulesEnabled();
// Writes the switch, without flushing.
void SetSchedulesEnabled(bool enabled);

// "%Y-%m-%d %H:%M:%S" in local time, at this wall-clock second of the day
// when one is given (a time the day lacks is stored as entered). A time at
// or after ScheduleNeverTime, or none, is the never-time's text.
wxString FormatScheduleTime(const wxDateTime& time, long secondOfDay = -1);
// Reads what FormatScheduleTime writes (seconds may be left out); false for
// anything else, also a second 60 or a year past 9999. The text of
// ScheduleNeverTime gives ScheduleNeverTime. timeOfDay, when given, gets the
// wall-clock seconds after midnight as written (-1 for the never-time).
bool ParseScheduleTime(const wxString& text, wxDateTime& time, int32_t* timeOfDay = nullptr);
