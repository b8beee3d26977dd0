#pragma once

#include <wx/datetime.h>

#include <functional>

// The current local time as the schedules see it, with milliseconds.
wxDateTime ScheduleNow();

// Replaces the clock (tests set "now" instead of waiting); an empty
// function restores the system clock.
void SetScheduleClock(std::function<wxDateTime()> clock);
