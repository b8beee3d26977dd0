// An empty room turns itself off: the projector is on, nobody has touched
// the computer for "/Options/IdleOffMinutes", so the count-down asks.

#include "mainframe/mainframe.h"

#include "log/log.h"
#include "mainframe/panelstatus.h"
#include "mainframe/timeddlg.h"
#include "platform/idleinhibitors.h"
#include "platform/idletime.h"
#include "session/sessionending.h"
#include "settings/mainsettings.h"

namespace {

constexpr int IDLE_CHECK_MS = 15000;
constexpr long long MS_PER_MINUTE = 60000;
constexpr int IDLE_QUESTION_SECONDS = 60;

} // namespace

void MainFrame::SetUpIdleOff()
{
    std::string why;
    m_idleSource = OpenIdleTimeSource(why);
    if (m_idleSource == nullptr)
    {
        m_idleMissing = "no idle time from the display server (" + why + "): an unused room is not turned off";
        ReportIdleTimeMissing(CurrentSettings().IdleOffMinutes() > 0);
    }
    m_idleTimer.SetOwner(this);
    Bind(wxEVT_TIMER, [this](wxTimerEvent&) { CheckIdleRoom(); }, m_idleTimer.GetId());
    m_idleTimer.Start(IDLE_CHECK_MS);
}

void MainFrame::SetIdleTimeSource(std::unique_ptr<IdleTimeSource> source)
{
    m_idleSource = std::move(source);
}

void MainFrame::ReportIdleTimeMissing(bool wanted)
{
    // Once in the log, and once more as a warning when the setting asks for
    // what cannot be had.
    if (wanted ? m_idleMissingWarned : m_idleMissingLogged)
        return;
    theLog->Print(wanted ? Log::LEVEL_WARNING : Log::LEVEL_DEBUG2, "%s", m_idleMissing.c_str());
    m_idleMissingLogged = true;
    m_idleMissingWarned = wanted;
}

void MainFrame::CheckIdleRoom()
{
    if (theSessionEnding || m_asking || m_idleAsking)
        return;
    if (!IsPowerOn())
    {
        m_idleProjectorWasOff = true;
        return;
    }
    const long minutes = CurrentSettings().IdleOffMinutes();
    if (minutes == 0)
        return;
    const long long idle = m_idleSource != nullptr ? m_idleSource->IdleMilliseconds() : -1;
    if (idle < 0)
    {
        if (m_idleSource != nullptr && m_idleMissing.empty())
            m_idleMissing = "the display server no longer tells the idle time: an unused room is not turned off";
        ReportIdleTimeMissing(true);
        return;
    }
    if (m_idleProjectorWasOff)
    {
        // Switched on (by a schedule, say) in a room unused overnight: the
        // period counts from now, not from the last input.
        m_idleProjectorWasOff = false;
        m_idleRule.CountAsUsed(idle);
    }
    if (!m_idleRule.Due(idle, minutes * MS_PER_MINUTE))
        return;
    if (IdlenessInhibited())
    {
        theLog->Print(Log::LEVEL_DEBUG2, "no input for %lld s, but a program keeps the computer in use", idle / 1000);
        m_idleRule.CountAsUsed(idle);
        return;
    }
    AskAboutIdleRoom(minutes);
}

void MainFrame::AskAboutIdleRoom(long minutes)
{
    m_idleAsking = true;
    int answer = wxID_CANCEL;
    {
        TimedDlg dialog(this,
                        wxString::Format("Nobody has used this computer for %d minutes.\nTurn the projector off?",
                                         static_cast<int>(minutes)),
                        "Aulavox Kesto", wxSTAY_ON_TOP | wxYES_NO, wxDefaultPosition);
        dialog.SetTimeout(IDLE_QUESTION_SECONDS);
        dialog.SetFormat("Turning off in %u seconds");
        dialog.SetDefault(wxID_YES);
        answer = dialog.ShowModal();
    }
    m_idleAsking = false;
    if (theSessionEnding)
        return; // the end of the session closed the question and decided itself

    if (answer != wxID_YES)
    {
        // No, or the close box: the next question after another full period.
        m_idleRule.CountAsUsed(m_idleSource != nullptr ? m_idleSource->IdleMilliseconds() : -1);
        return;
    }
    const CommResult result = TurnOffRoom("idle");
    if (result == COMM_OK)
    {
        thePanelStatus.powerState = PANEL_POWER_OFF;
        UpdateControls();
    }
    OnIdlePowerOff(result);
}

void MainFrame::OnIdlePowerOff(CommResult result)
{
    if (result == COMM_OK)
        theLog->Print(Log::LEVEL_INFO, "nobody used the computer: the projector was turned off");
    else
        theLog->Print(Log::LEVEL_WARNING, "nobody used the computer, but turning the projector off failed (%d)",
                      static_cast<int>(result));
}
