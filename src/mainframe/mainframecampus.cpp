// The main window's side of the campus link: it feeds the link the room as
// the window shows it, and carries out the broker's commands through the
// very handlers of the buttons, so that window and broker never disagree.

#include "mainframe/mainframe.h"

#include "campus/campuslink.h"
#include "controls/bmptextbutton.h"
#include "controls/localtext.h"
#include "log/log.h"
#include "mainframe/panelstatus.h"
#include "mainframe/version.h"
#include "projdefs/projectorlist.h"
#include "session/sessionending.h"
#include "settings/campussettings.h"
#include "settings/settings.h"

#include <wx/button.h>

namespace {

std::string LinkName(const PanelComm& comm)
{
    if (comm.IsDemo())
        return "demo";
    if (!comm.IsConnected())
        return "none";
    if (comm.IsSerialOpen())
        return std::string("serial ") + comm.GetPortPath();
    if (comm.GetI2CDevice() >= 0)
        return "i2c /dev/i2c-" + std::to_string(comm.GetI2CDevice());
    return "none";
}

// On and off as the window shows them, warming and cooling as the panel
// last reported them while they still agree with that.
std::string PowerText(const PanelStatus& status)
{
    const int shown = status.powerState > 2 ? status.powerState - 2 : status.powerState;
    if (status.reportedPower > 2 && status.reportedPower - 2 == shown)
        return PowerName(status.reportedPower);
    return PowerName(shown);
}

} // namespace

void MainFrame::StartCampusLink()
{
    m_campus.reset(); // the old one says "offline" first
    const CampusSettings settings = ReadCampusSettings(theSettings);
    if (!settings.enabled)
        return;
    const std::string problem = CampusLink::CheckSettings(settings);
    if (!problem.empty())
    {
        theLog->Print(Log::LEVEL_ERROR, "campus link not started: %s", problem.c_str());
        return;
    }
    // The link's thread only queues: commands and log lines run here, on
    // the window's thread, between other events.
    m_campus = std::make_unique<CampusLink>(
        settings, theVersionText.utf8_string(), [this](const CampusCommand& command) { CarryOutCampusCommand(command); },
        [this](std::function<void()> work) { CallAfter(std::move(work)); });
    FeedCampus();
}

void MainFrame::FeedCampus()
{
    FeedCampus(thePanelStatus);
}

void MainFrame::FeedCampus(const PanelStatus& status)
{
    if (!m_campus)
        return;
    RoomState state;
    state.power = PowerText(status);
    state.source = SourceName(status.sourceState);
    state.mute = status.muteState == 1;
    state.freeze = m_frozen;
    state.blank = status.blankState == 1;
    state.mic = MicName(status.micLevel);
    if (const Projector* proj = GetChosenProjector())
        state.projector = FromLocal8Bit(proj->GetName()).utf8_string();
    state.link = LinkName(*thePanelComm);
    m_campus->SetState(state);
}

void MainFrame::PublishCampusEvent(const std::string& kind,
                                   const std::vector<std::pair<std::string, std::string>>& fields)
{
    if (m_campus)
        m_campus->PublishEvent(kind, fields);
}

void MainFrame::CarryOutCampusCommand(const CampusCommand& command)
{
    if (theSessionEnding || !m_campus)
        return;
    const auto report = [&](const char* result, const std::string& reason) {
        CampusLink::EventFields fields = {{"command", CommandTopicName(command.kind)},
                                          {"value", command.value},
                                          {"result", result}};
        if (!reason.empty())
            fields.emplace_back("reason", reason);
        PublishCampusEvent("command", fields);
        theLog->Print(Log::LEVEL_WARNING, "campus command %s %s %s%s%s", CommandTopicName(command.kind),
                      command.value.c_str(), result, reason.empty() ? "" : ": ", reason.c_str());
    };
    const bool on = command.value == "ON";
    wxCommandEvent click(wxEVT_BUTTON);
    bool done = true;
    switch (command.kind)
    {
    case CampusCommand::POWER:
        click.SetId(on ? m_btnOn->GetId() : m_btnOff->GetId());
        on ? OnPowerOn(click) : OnPowerOff(click);
        done = thePanelStatus.powerState == (on ? 1 : 2);
        break;
    case CampusCommand::MUTE:
        if ((thePanelStatus.muteState == 1) == on)
            return; // as asked already
        OnMute(click);
        done = (thePanelStatus.muteState == 1) == on;
        break;
    case CampusCommand::SOURCE:
    {
        const int source = command.value == "comp2" ? 2 : command.value == "vcr" ? 3 : 1;
        click.SetId(source == 2 ? ID_SOURCE_COMP2 : source == 3 ? ID_SOURCE_VCR : ID_SOURCE_COMP1);
        OnSource(click);
        done = thePanelStatus.sourceState == source;
        break;
    }
    case CampusCommand::COMMAND:
    {
        // The extra button labelled with the name: its own handler sends it.
        wxButton* button = nullptr;
        for (wxSizerItem* item : m_extraCmdSizer->GetChildren())
        {
            wxButton* candidate = dynamic_cast<wxButton*>(item->GetWindow());
            if (candidate && candidate->GetLabelText().utf8_string() == command.value)
                button = candidate;
        }
        if (button == nullptr)
        {
            report("refused", "the projector has no such command");
            return;
        }
        click.SetId(button->GetId());
        click.SetEventObject(button);
        OnExtraCommand(click);
        done = m_linkUp; // a failed exchange took the link down
        break;
    }
    }
    if (!done)
        report("failed", m_projectorSelected ? theLog->GetLastText() : "no projector is selected");
}
