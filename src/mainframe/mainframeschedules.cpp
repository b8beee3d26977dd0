// The schedule timer: one-shot, always pending while the window lives, set
// for the nearest due schedule (at least a second, at most a minute ahead, so
// that a clock set forward is noticed within a minute).

#include "mainframe/mainframe.h"

#include "mainframe/panelstatus.h"
#include "schedule/schedulepass.h"
#include "session/sessionending.h"

void MainFrame::OnScheduleTimer(wxTimerEvent&)
{
    RunSchedulesNow();
}

void MainFrame::RunSchedulesNow()
{
    if (theSessionEnding)
        return; // the timer is not started again once the session ends
    m_scheduleTimer.Stop();
    const long waitMs = RunSchedulePass(
        theScheduleList, *thePanelComm, thePanelStatus.powerState,
        [this](long milliseconds) { WaitMilliseconds(milliseconds); },
        [this](const Schedule& schedule, bool acknowledged) {
            PublishCampusEvent("schedule", {{"name", schedule.name.utf8_string()},
                                            {"action", schedule.action == TurnOn ? "power on" : "power off"},
                                            {"result", acknowledged ? "done" : "failed"}});
        });
    m_scheduleTimer.StartOnce(static_cast<int>(waitMs));
}

void MainFrame::RestartSchedules()
{
    for (Schedule& schedule : theScheduleList)
        schedule.ComputeNext();
    m_scheduleTimer.Stop();
    if (!theSessionEnding)
        m_scheduleTimer.StartOnce(static_cast<int>(SCHEDULE_WAIT_MIN_MS));
}
