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
// Loads indices 0, 1, 2, ... into theScheduleList until one fails to load.
void LoadScheduleList();

// The switch for all schedules; a missing key reads as true.
bool GetSchedulesEnabled();
// Writes the switch, without flushing.
void SetSchedulesEnabled(bool enabled);

// "%Y-%m-%d %H:%M:%S" in local time.
wxString FormatScheduleTime(const wxDateTime& time);
// Reads what FormatScheduleTime writes (seconds may be left out); false for
// anything else. The text of ScheduleNeverTime gives ScheduleNeverTime.
bool ParseScheduleTime(const wxString& text, wxDateTime& time);
