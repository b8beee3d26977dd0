// The main window's controls: each becomes one exchange with the control
// panel, and thePanelStatus changes only when the panel acknowledged.

#include "mainframe/mainframe.h"

#include "controls/bmppanel.h"
#include "controls/bmptextbutton.h"
#include "controls/enablesizer.h"
#include "controls/localtext.h"
#include "controls/messagebox.h"
#include "log/log.h"
#include "mainframe/displaysync.h"
#include "mainframe/panelstatus.h"
#include "projdefs/nocase.h"
#include "projdefs/parsecommand.h"
#include "projdefs/projectorlist.h"
#include "settings/mainsettings.h"

#include <wx/button.h>
#include <wx/clntdata.h>
#include <wx/utils.h>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int PROJECTOR_REPLY_SIZE = 64;
constexpr long FREEZE_HIDE_MS = 100;
constexpr long FREEZE_DELAY_MIN_MS = 100;

const char* const COMMAND_FREEZE = "Freeze";
const char* const COMMAND_UNFREEZE = "UnFreeze";

// Commands with a role of their own: no extra button for them.
bool HasFixedRole(const std::string& name)
{
    for (const char* fixed : {"On", "Off", "SourceVGA", "SourceComposite"})
        if (EqualsNoCase(name, fixed))
            return true;
    return false;
}

// The 8-bit name of the entry an extra button sends. Looking the entry up by
// this, not by the label converted back, keeps a name that the locale's
// character set cannot carry both ways (a Latin-1 file under UTF-8).
class EntryName : public wxClientData
{
public:
    explicit EntryName(const std::string& name) : m_name(name) {}
    const std::string& Get() const { return m_name; }

private:
    std::string m_name;
};

void ShowCommandError(wxWindow* parent)
{
    ShowMessageBox("The command is not well formed", "Command Error", wxOK | wxICON_ERROR, parent);
}

} // namespace

CommResult MainFrame::EnsureConnected(bool quiet)
{
    if (!m_projectorSelected)
    {
        if (!quiet)
            ShowMessageBox("No projector is selected.\nPlease select projector before using Kesto",
                           "Communication Error", wxOK | wxICON_ERROR, this);
        return COMM_NO_DATA;
    }
    if (thePanelComm->IsConnected())
    {
        m_linkUp = true;
        return COMM_OK;
    }
    const CommResult result = thePanelComm->Connect();
    if (result != COMM_OK && !quiet)
        ShowMessageBox("Unable to connect to control panel\n" +
                           FromLocal8Bit(theLog->GetLastErrorText()),
                       "Communication Error", wxOK | wxICON_ERROR, this);
    m_linkUp = result == COMM_OK;
    return result;
}

void MainFrame::ReportCommError(CommResult code)
{
    wxString message;
    switch (code)
    {
    case COMM_OK:
        return;
    case COMM_NO_DATA:
        message = "control panel did not return any data";
        break;
    case COMM_NAK:
        message = "control panel did not accept the command";
        break;
    case COMM_BAD_CRC:
    case COMM_MALFORMED:
    case COMM_IO_ERROR:
        message = FromLocal8Bit(theLog->GetLastText()); // the link's own description
        break;
    default:
        message = "unknown error occurred";
        break;
    }
    thePanelComm->Disconnect();
    m_linkUp = false;
    ShowMessageBox(message, "Communication Error", wxOK | wxICON_ERROR, this);
}

bool MainFrame::SendPanelSetting(PanelSetter setter, uint8_t value, int8_t& remembered)
{
    if (EnsureConnected(false) != COMM_OK)
        return false;
    const CommResult result = (thePanelComm->*setter)(value, POLL_COMMAND_MS, POLL_COMMAND_COUNT);
    if (result != COMM_OK)
    {
        ReportCommError(result);
        return false;
    }
    remembered = static_cast<int8_t>(value);
    UpdateControls();
    return true;
}

void MainFrame::SetPower(uint8_t state)
{
    SendPanelSetting(&PanelComm::SetPower, state, thePanelStatus.powerState);
}

void MainFrame::OnPowerOn(wxCommandEvent&)
{
    SetPower(PANEL_POWER_ON);
}

void MainFrame::OnPowerOff(wxCommandEvent&)
{
    SetPower(PANEL_POWER_OFF);
}

void MainFrame::OnBlank(wxCommandEvent&)
{
    const uint8_t blank = thePanelStatus.blankState != 1 ? 1 : 0;
    SendPanelSetting(&PanelComm::SetBlank, blank, thePanelStatus.blankState);
}

void MainFrame::OnMute(wxCommandEvent&)
{
    const uint8_t mute = thePanelStatus.muteState != 1 ? 1 : 0;
    SendPanelSetting(&PanelComm::SetMute, mute, thePanelStatus.muteState);
}

void MainFrame::OnVolumeButton(wxCommandEvent& event)
{
    if (EnsureConnected(false) != COMM_OK)
        return;
    const int step = event.GetId() == ID_VOLUME_DOWN ? -2 : 2;
    const int value = std::clamp(m_sliderVolume->GetValue() + step, m_sliderVolume->GetMin(),
                                 m_sliderVolume->GetMax());
    m_sliderVolume->SetValue(value);
    // Posted, not sent: the slider's handler sends the volume after this
    // handler has returned, as if the thumb had been dragged.
    wxScrollEvent drag(wxEVT_SCROLL_THUMBTRACK, m_sliderVolume->GetId(), value, wxHORIZONTAL);
    drag.SetEventObject(m_sliderVolume);
    wxPostEvent(m_sliderVolume, drag);
}

void MainFrame::OnVolumeSlider(wxScrollEvent&)
{
    const uint8_t value = static_cast<uint8_t>(m_sliderVolume->GetValue());
    SendPanelSetting(&PanelComm::SetVolume, value, thePanelStatus.volumeLevel);
}

void MainFrame::OnMicChoice(wxCommandEvent&)
{
    const int level = m_micChoice->GetSelection();
    if (EnsureConnected(false) != COMM_OK)
        return;
    if (level < 0)
        return;
    const CommResult result = thePanelComm->SetMicLevel(static_cast<uint8_t>(level), POLL_COMMAND_MS,
                                                        POLL_COMMAND_COUNT);
    if (result != COMM_OK)
    {
        ReportCommError(result);
        return;
    }
    thePanelStatus.micLevel = static_cast<int8_t>(level);
    UpdateControls();
}

Projector* MainFrame::GetChosenProjector() const
{
    const int selection = m_projectorChoice->GetSelection();
    if (selection < 1)
        return nullptr;
    return static_cast<Projector*>(m_projectorChoice->GetClientData(static_cast<unsigned>(selection)));
}

bool MainFrame::ConvertProjectorCommand(const Projector& proj, const std::string& name, CommandBytes& bytes)
{
    const ProjectorEntry* cmd = proj.FindEntry(name);
    wxASSERT_MSG(cmd != nullptr, "cmd != NULL");
    if (!cmd)
        return false;
    if (ParseCommand(cmd->value.c_str(), &bytes) != 0)
    {
        ShowCommandError(this);
        return false;
    }
    return true;
}

CommResult MainFrame::SendProjectorCommand(const std::vector<uint8_t>& bytes, int pollCount)
{
    const CommResult result =
        thePanelComm->SendCommand(SERIAL_PASSTHROUGH, bytes.data(), static_cast<int>(bytes.size()),
                                  nullptr, 0, POLL_COMMAND_MS, pollCount);
    if (result != COMM_OK)
        return result;

    // Whatever the projector answered is only shown on standard output.
    uint8_t reply[PROJECTOR_REPLY_SIZE];
    const CommResult count = thePanelComm->SendCommand(NO_CMD, nullptr, 0, reply, sizeof reply,
                                                       POLL_COMMAND_MS, POLL_COMMAND_COUNT);
    if (count > 0)
    {
        const int shown = std::min<int>(count, PROJECTOR_REPLY_SIZE);
        for (int i = 0; i < shown; ++i)
            printf(" %02X", reply[i]);
        printf("\n");
        fflush(stdout);
    }
    return result;
}

void MainFrame::WaitMilliseconds(long milliseconds)
{
    // Not a plain sleep: the screen must change meanwhile.
    RunDisplayFor(milliseconds);
}

void MainFrame::OnFreeze(wxCommandEvent&)
{
    if (EnsureConnected(false) != COMM_OK)
        return;
    Projector* proj = GetChosenProjector();
    wxASSERT_MSG(proj != nullptr, "proj != NULL");
    if (!proj)
        return;
    const bool wasFrozen = m_frozen;
    CommandBytes bytes;
    if (!ConvertProjectorCommand(*proj, wasFrozen ? COMMAND_UNFREEZE : COMMAND_FREEZE, bytes))
        return;

    // The window must not be on the picture that is frozen: the hide has to
    // reach the display server, not wait in the program until this handler
    // returns.
    if (!wasFrozen)
    {
        Hide();
        SyncWithDisplayServer();
        WaitMilliseconds(FREEZE_HIDE_MS);
    }
    const CommResult result = SendProjectorCommand(bytes, POLL_FREEZE_COUNT);
    if (!wasFrozen)
    {
        const long delay = CurrentSettings().FreezeDelay();
        WaitMilliseconds(std::max(delay, FREEZE_DELAY_MIN_MS));
    }
    Show();
    if (!wasFrozen)
        SyncWithDisplayServer(); // back on the screen at once

    if (result != COMM_OK)
    {
        ReportCommError(result);
        return;
    }
    m_frozen = !wasFrozen && m_hasUnFreeze;
    UpdateControls();
}

void MainFrame::OnExtraCommand(wxCommandEvent& event)
{
    Projector* proj = GetChosenProjector();
    wxASSERT_MSG(proj != nullptr, "proj != NULL");
    if (!proj)
        return;
    wxButton* button = dynamic_cast<wxButton*>(event.GetEventObject());
    wxASSERT_MSG(button != nullptr, "button != NULL");
    if (!button)
        return;
    const EntryName* name = dynamic_cast<const EntryName*>(button->GetClientObject());
    CommandBytes bytes;
    if (!ConvertProjectorCommand(*proj, name ? name->Get() : ToLocal8Bit(button->GetLabelText()), bytes))
        return;
    if (EnsureConnected(false) != COMM_OK)
        return;
    const CommResult result = SendProjectorCommand(bytes, POLL_COMMAND_COUNT);
    if (result != COMM_OK)
        ReportCommError(result);
}

void MainFrame::OnProjectorChoice(wxCommandEvent&)
{
    m_extraCmdSizer->Clear(true);
    m_hasFreeze = false;
    m_hasUnFreeze = false;

    Projector* proj = GetChosenProjector();
    if (!proj)
    {
        m_projectorSelected = false;
        UpdateControls();
    }
    else
    {
        m_projectorSelected = true;
        UpdateControls();
        for (size_t i = 0; i < proj->GetEntryCount(); ++i)
        {
            const ProjectorEntry* entry = proj->GetEntry(i);
            if (!entry || entry->kind != ProjectorEntry::COMMAND)
                continue;
            if (HasFixedRole(entry->name))
                continue;
            if (EqualsNoCase(entry->name, COMMAND_FREEZE))
                m_hasFreeze = true;
            else if (EqualsNoCase(entry->name, COMMAND_UNFREEZE))
                m_hasUnFreeze = true;
            else
            {
                // The label shows the name as it is, "&" included.
                wxButton* button = new wxButton(m_extraCmdPanel, wxID_ANY,
                                                wxControl::EscapeMnemonics(FromLocal8Bit(entry->name)));
                button->SetClientObject(new EntryName(entry->name));
                m_extraCmdSizer->Add(button, 0, wxALL, 2);
                button->Bind(wxEVT_BUTTON, &MainFrame::OnExtraCommand, this);
            }
        }
    }
    if (m_hasUnFreeze && !m_hasFreeze)
        m_hasUnFreeze = false;
    m_frozen = false;

    m_extraCmdPanel->Show(!m_extraCmdSizer->IsEmpty());
    m_extraCmdPanel->FitInside();
    m_extraCmdPanel->Layout();
    m_btnFreeze->Show(m_hasFreeze);
    // The Freeze highlight follows the cleared state now, not a second later.
    UpdateControls();
    m_powerPanel->Layout();
    m_advancedPanel->Layout();
    Layout();
    Refresh();
}

void MainFrame::PollStatus()
{
    if (thePanelComm->IsDemo())
        return;
    if (EnsureConnected(true) != COMM_OK)
        return;
    uint8_t status[PANEL_STATUS_SIZE] = {};
    const CommResult result = thePanelComm->GetStatus(status, POLL_STATUS_MS, POLL_STATUS_COUNT);
    if (result < 0)
    {
        ReportCommError(result);
        return;
    }
    if (result >= PANEL_STATUS_SIZE)
    {
        thePanelStatus.FromStatusReply(status);
        return;
    }
    // A short reply: the fields it did not carry keep what they were.
    uint8_t merged[PANEL_STATUS_SIZE] = {
        static_cast<uint8_t>(thePanelStatus.powerState),  static_cast<uint8_t>(thePanelStatus.sourceState),
        static_cast<uint8_t>(thePanelStatus.volumeLevel), static_cast<uint8_t>(thePanelStatus.muteState),
        static_cast<uint8_t>(thePanelStatus.blankState),  static_cast<uint8_t>(thePanelStatus.micLevel)};
    for (int i = 0; i < result; ++i)
        merged[i] = status[i];
    thePanelStatus.FromStatusReply(merged);
}

namespace {

void SetHighlight(BmpTextButton* button, bool highlighted)
{
    if (button->IsHighlighted() != highlighted)
        button->SetHighlighted(highlighted);
}

} // namespace

void MainFrame::UpdateControls()
{
    PanelStatus& status = thePanelStatus;
    if (status.powerState > PANEL_POWER_OFF)
        status.powerState = static_cast<int8_t>(status.powerState - PANEL_POWER_REPEATED);

    const bool on = status.powerState == PANEL_POWER_ON;
    if (m_btnOn->IsHighlighted() != on)
    {
        EnableSizer(m_powerPanel->GetSizer(), on);
        EnableSizer(m_volumePanel->GetSizer(), on);
        EnableSizer(m_sourcePanel->GetSizer(), on);
    }
    m_btnOn->Enable(); // changes nothing when it is enabled already

    // Bytes out of range from the panel are shown at the nearest end; the
    // microphone choice keeps its selection for an unknown level.
    const int volume = std::clamp<int>(status.volumeLevel, m_sliderVolume->GetMin(), m_sliderVolume->GetMax());
    if (m_sliderVolume->GetValue() != volume)
        m_sliderVolume->SetValue(volume);
    if (status.micLevel >= 0 && status.micLevel < static_cast<int>(m_micChoice->GetCount()) &&
        m_micChoice->GetSelection() != status.micLevel)
        m_micChoice->SetSelection(status.micLevel);

    const int value = m_sliderVolume->GetValue();
    m_btnVolumeDown->Enable(on && value > m_sliderVolume->GetMin());
    m_btnVolumeUp->Enable(on && value < m_sliderVolume->GetMax());

    SetHighlight(m_btnOn, on);
    SetHighlight(m_btnOff, !on);
    SetHighlight(m_btnBlank, status.blankState == 1);
    SetHighlight(m_btnMute, status.muteState == 1);
    SetHighlight(m_btnComp1, status.sourceState == PANEL_SOURCE_COMP1);
    SetHighlight(m_btnComp2, status.sourceState == PANEL_SOURCE_COMP2);
    SetHighlight(m_btnVcr, status.sourceState == PANEL_SOURCE_VCR);
    SetHighlight(m_btnFreeze, m_frozen);
    FeedCampus();
}
