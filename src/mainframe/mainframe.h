#pragma once

#include "comm/panelcomm.h"
#include "mainframe/idleoffrule.h"
#include "mainframe/mainframebase.h"
#include "projdefs/parsecommand.h"
#include "projdefs/resultcodes.h"
#include "session/sessionwindow.h"

#include <wx/taskbar.h>
#include <wx/timer.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class AxtTaskBarIcon;
class CampusLink;
class IdleTimeSource;
class Projector;
struct CampusCommand;
struct PanelStatus;

// The presenter's remote control. Every control becomes one exchange with
// the control panel; what the window highlights is what the panel reported
// or acknowledged (thePanelStatus), redrawn by UpdateControls.
class MainFrame : public MainFrameBase, public SessionWindow
{
public:
    MainFrame();
    ~MainFrame() override;

    // A projector must be chosen; connects the link when it is down.
    // 0 when ready, -1 without a projector, else the connection's result.
    // Unless quiet, a failure is shown to the user.
    CommResult EnsureConnected(bool quiet);
    // Disconnects and tells the user, for any code but 0.
    void ReportCommError(CommResult code);
    // Asks the panel for its status (not in demo mode, never with messages
    // about a missing projector or link).
    void PollStatus();
    // Redraws enables, highlights, the slider and the microphone choice
    // from thePanelStatus; changes only what differs.
    void UpdateControls();
    // Ticks "Demo Mode" as the user would: the link goes into demo mode.
    void StartInDemoMode();

    // Reads every source of theProjectorList; unless quiet, reports errors
    // or warnings. Returns the combined result.
    FileResult ReadProjectorFiles(bool quiet);
    // Refills the projector choice from theProjectorList and selects the
    // default projector.
    void FillProjectorChoice();

    // Computes every schedule's next due moment and lets the schedule timer
    // fire a second later to set its real wait.
    void RestartSchedules();
    // Runs the schedule timer's pass now, as when the machine wakes up: what
    // fell due while it slept is carried out once, and the timer starts anew.
    void RunSchedulesNow() override;

    // The end of the program (tray "Exit", vetoable) or of the user session
    // (not vetoable): while the projector is on, asks with a count-down
    // whether to turn it off; then closes every dialog and the window.
    void OnEndSession(wxCloseEvent& event);
    // The toolkit's question whether the session may end: neither refused
    // nor passed on.
    void OnQueryEndSession(wxCloseEvent& event);
    // The end of the user session as the platform reports it (a signal, the
    // session manager's last word): OnEndSession without a veto.
    void EndSessionNow() override;
    // The desktop session is about to end: the question without Cancel and
    // the power-off (without the question when nobody may be asked), but
    // not yet the exit.
    void AskBeforeSessionEnds(bool mayAsk) override;
    // The session manager withdrew the end: the next one asks again.
    void SessionEndCancelled() override;
    // The machine shuts down: turns the projector off, asking nobody.
    void TurnOffForShutdown() override;

    // Every 15 s: while the projector is on and nobody has used the computer
    // for "/Options/IdleOffMinutes" (and no program keeps it in use), the
    // count-down asks whether to turn the projector off. Switching the
    // projector on counts as use.
    void CheckIdleRoom();
    // The idle time is read from here; the display server's at first.
    void SetIdleTimeSource(std::unique_ptr<IdleTimeSource> source);
    // The room turned its projector off because nobody used it (the power-off's
    // result): what the room reports about it.
    void OnIdlePowerOff(CommResult result);

    // The program's main window while it lives, else null.
    static MainFrame* Find();

    // One message on the campus broker's event topic ({"event": kind,
    // fields..., "time": ...}); nothing without a campus link.
    void PublishCampusEvent(const std::string& kind, const std::vector<std::pair<std::string, std::string>>& fields);
    // (Re)starts the campus link from the settings; stops it when disabled.
    void StartCampusLink();

protected:
    // The status timer: start-up steps on its first run, then the status
    // poll once a second.
    void OnStartupTimer(wxTimerEvent& event);
    // Carries out the due schedules and starts the timer for the next one.
    void OnScheduleTimer(wxTimerEvent& event);
    // False when the session ended while the updater ran.
    bool RunStartupSteps();
    void LoadProjectorSource();
    void OpenConfiguration();
    void ShowAdvanced(bool show);

    // The chosen projector, or null.
    Projector* GetChosenProjector() const;
    // Sends a converted projector command through the panel and prints what
    // the projector answered.
    // Looks the projector's command up by name and converts it; a malformed
    // command is reported to the user. False when there is nothing to send.
    bool ConvertProjectorCommand(const Projector& proj, const std::string& name, CommandBytes& bytes);
    CommResult SendProjectorCommand(const std::vector<uint8_t>& bytes, int pollCount);
    void OnExtraCommand(wxCommandEvent& event);
    // Blocks the window; virtual so that tests can see the waits.
    virtual void WaitMilliseconds(long milliseconds);

    void OnClose(wxCloseEvent& event) override;
    void OnTrayRestore(wxCommandEvent& event);
    void OnTrayDoubleClick(wxTaskBarIconEvent& event);
    void OnTrayAbout(wxCommandEvent& event);
    void OnTrayExit(wxCommandEvent& event);
    // Whether a tray shows the icon; without one the close box minimises.
    virtual bool HasTray() const;

    bool IsPowerOn() const;
    // The count-down question; Yes (clicked or by time) turns the projector
    // off. Returns the answer.
    int AskToTurnOff(bool canVeto);
    // Up to 10 power-off attempts, 50 ms apart; failures are not reported
    // here. The campus hears of it as an event of the given kind. Returns the
    // last attempt's result.
    CommResult TurnOffRoom(const char* campusEvent);
    // Ends every other top-level window of the program; returns how many
    // were still there.
    int CloseOtherWindows();
    void RunWhiteboardDialog();
    void SetUpIdleOff();
    // Logs once that there is no idle time; once more as a Warning when wanted.
    void ReportIdleTimeMissing(bool wanted);
    // The count-down for an unused room; Yes turns the projector off.
    void AskAboutIdleRoom(long minutes);
    void SetUpTrayIcon();
    void DeleteTrayIcon();
    void OnPowerOn(wxCommandEvent& event) override;
    void OnFreeze(wxCommandEvent& event) override;
    void OnPowerOff(wxCommandEvent& event) override;
    void OnBlank(wxCommandEvent& event) override;
    void OnVolumeButton(wxCommandEvent& event) override;
    void OnVolumeSlider(wxScrollEvent& event) override;
    void OnMute(wxCommandEvent& event) override;
    void OnSource(wxCommandEvent& event) override;
    void OnProjectorChoice(wxCommandEvent& event) override;
    void OnMicChoice(wxCommandEvent& event) override;
    void OnStayOnTop(wxCommandEvent& event) override;
    void OnWhiteboardMode(wxCommandEvent& event) override;
    void OnDemoMode(wxCommandEvent& event) override;
    void OnViewChoice(wxCommandEvent& event) override;

    // Sends one setting of the control panel (connecting first when needed);
    // on success remembers the value and redraws, on failure reports it.
    using PanelSetter = CommResult (PanelComm::*)(uint8_t value, int pollMs, int pollCount);
    bool SendPanelSetting(PanelSetter setter, uint8_t value, int8_t& remembered);
    void SetPower(uint8_t state);

    // The campus link's view of the room (the remembered status unless
    // given): sent on every redraw, published when it changed.
    void FeedCampus(const PanelStatus& status);
    void FeedCampus();
    // A command from the campus broker, through the code of its button.
    void CarryOutCampusCommand(const CampusCommand& command);

    bool m_projectorSelected = false;
    bool m_startupDone = false;
    bool m_frozen = false;
    bool m_linkUp = false;
    bool m_hasFreeze = false;
    bool m_hasUnFreeze = false;

    bool m_asking = false;          // the count-down question is open
    bool m_endForced = false;       // the session ended while it was open
    bool m_askedForSession = false; // the session manager's turn has asked

    std::unique_ptr<IdleTimeSource> m_idleSource;
    IdleOffRule m_idleRule;
    wxTimer m_idleTimer;
    bool m_idleAsking = false; // the unused room's question is open
    bool m_idleProjectorWasOff = false; // at a look since the last one with the projector on
    std::string m_idleMissing; // why there is no idle time
    bool m_idleMissingLogged = false;
    bool m_idleMissingWarned = false;

    wxTimer m_statusTimer;
    wxTimer m_scheduleTimer;
    AxtTaskBarIcon* m_taskBarIcon = nullptr;
    wxBitmap m_checkBmp;
    wxBitmap m_noCheckBmp;
    std::unique_ptr<CampusLink> m_campus;
};
