#pragma once

#include "schedule/schedule.h"

#include <cstdint>
#include <functional>

class PanelComm;

// The schedule timer's bounds: it fires at least once a minute (a timer
// waits out its interval even when the clock is set forward meanwhile), and
// never sooner than a second after the last time.
constexpr long SCHEDULE_WAIT_MIN_MS = 1000;
constexpr long SCHEDULE_WAIT_MAX_MS = 60 * 1000;
// Power commands a pass may try in all, and the pause between tries.
constexpr int SCHEDULE_ATTEMPT_BUDGET = 10;
constexpr long SCHEDULE_RETRY_WAIT_MS = 50;

// One firing of the schedule timer: switches the projector for every record
// whose nextTime has come (when the global switch is on and the record is
// enabled), gives each due record its following due moment, and returns the
// wait in milliseconds until the next firing. A link that went down is
// connected once, quietly, before the first power command of the pass.
// In demo mode powerState follows the action; wait(ms) blocks between tries.
// carriedOut, when given, hears of every record switched, with whether the
// panel acknowledged.
using ScheduleOutcome = std::function<void(const Schedule& schedule, bool acknowledged)>;
long RunSchedulePass(ScheduleList& list, PanelComm& comm, int8_t& powerState,
                     const std::function<void(long milliseconds)>& wait, const ScheduleOutcome& carriedOut = {});
