#include "schedule/schedulepass.h"

#include "comm/packet.h"
#include "comm/panelcomm.h"
#include "schedule/scheduleclock.h"
#include "schedule/schedulestore.h"

namespace {

// Sends the record's power command, taking failed tries from the budget
// that the whole pass shares. True when the panel acknowledged.
bool CarryOut(const Schedule& schedule, PanelComm& comm, int8_t& powerState, int& budget, bool& linkTried,
              const std::function<void(long)>& wait)
{
    if (schedule.action != TurnOff && schedule.action != TurnOn)
        return false;
    const uint8_t value = schedule.action == TurnOn ? PANEL_POWER_ON : PANEL_POWER_OFF;

    // After any failure the main window disconnected the link; without this
    // every later schedule would fail until someone pressed a button.
    if (!linkTried)
    {
        linkTried = true;
        if (!comm.IsConnected() && !comm.IsDemo() && comm.Connect() != COMM_OK)
            --budget;
    }

    bool acknowledged = comm.SetPower(value, POLL_COMMAND_MS, POLL_COMMAND_COUNT) == COMM_OK;
    while (!acknowledged && --budget > 0)
    {
        wait(SCHEDULE_RETRY_WAIT_MS);
        acknowledged = comm.SetPower(value, POLL_COMMAND_MS, POLL_COMMAND_COUNT) == COMM_OK;
    }
    if (comm.IsDemo())
        powerState = static_cast<int8_t>(value);
    return acknowledged;
}

} // namespace

long RunSchedulePass(ScheduleList& list, PanelComm& comm, int8_t& powerState,
                     const std::function<void(long milliseconds)>& wait, const ScheduleOutcome& carriedOut)
{
    int budget = SCHEDULE_ATTEMPT_BUDGET;
    bool linkTried = false;
    const bool switchOn = GetSchedulesEnabled();
    wxLongLong waitMs = SCHEDULE_WAIT_MAX_MS;

    for (Schedule& schedule : list)
    {
        if (!schedule.nextTime.IsValid())
            schedule.ComputeNext(); // a record that never had its due moment computed
        else if (!(ScheduleNow() < schedule.nextTime))
        {
            if (switchOn && schedule.enabled)
            {
                const bool acknowledged = CarryOut(schedule, comm, powerState, budget, linkTried, wait);
                if (carriedOut)
                    carriedOut(schedule, acknowledged);
            }
            schedule.ComputeNext();
        }
        const wxLongLong remaining = (schedule.nextTime - ScheduleNow()).GetMilliseconds();
        if (remaining < waitMs)
            waitMs = remaining;
    }
    if (waitMs < SCHEDULE_WAIT_MIN_MS)
        waitMs = SCHEDULE_WAIT_MIN_MS;
    return static_cast<long>(waitMs.GetValue());
}
