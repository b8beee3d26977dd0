// The programming row (the control panel's own copy of a projector's
// settings) and the command-building buttons.

#include "configdlg/configdlg.h"

#include "comm/panelcomm.h"
#include "controls/fieldvalidity.h"
#include "controls/localtext.h"
#include "controls/messagebox.h"
#include "log/log.h"
#include "projdefs/parsecommand.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>

namespace {

// What the control panel keeps for a projector, in the order it is sent.
const struct
{
    const char* name;
    int command;
} PROGRAM_STEPS[] = {
    {"Baud", SERIAL_BAUD},
    {"On", SERIAL_ON},
    {"Off", SERIAL_OFF},
    {"SourceVGA", SERIAL_SOURCE_VGA},
    {"SourceComposite", SERIAL_SOURCE_COMPOSITE},
};

constexpr int BAUD_POLL_MS = 50;
constexpr int COMMAND_POLL_MS = 25;
constexpr int POLL_COUNT = 2;

// The baud rate's payload, 4 bytes most significant first. The value reads
// as C's unsigned conversion reads it: decimal, "0x" hex or leading-zero
// octal, up to the first character that is not a digit. False for 0 (a box
// set to 0 baud could no longer reach its projector), for a negative value
// and for one that does not fit the 4 bytes.
bool BaudPayload(const std::string& value, CommandBytes& payload)
{
    const size_t first = value.find_first_not_of(" \t\n\v\f\r");
    if (first == std::string::npos || value[first] == '-')
        return false;
    errno = 0;
    const unsigned long long baud = strtoull(value.c_str(), nullptr, 0);
    if (errno == ERANGE || baud == 0 || baud > UINT32_MAX)
        return false;
    payload = {static_cast<uint8_t>(baud >> 24), static_cast<uint8_t>(baud >> 16), static_cast<uint8_t>(baud >> 8),
               static_cast<uint8_t>(baud)};
    return true;
}

wxString LogText(const char* text)
{
    return FromLocal8Bit(text ? text : "");
}

// A byte in hexadecimal, as typed into "Hex:": false for anything else.
bool ReadHexByte(const wxString& text, unsigned& byte)
{
    unsigned long value = 0;
    if (text.empty() || !text.ToULong(&value, 16) || value > 0xFF)
        return false;
    byte = static_cast<unsigned>(value);
    return true;
}

} // namespace

void ConfigDlg::OnParameterText(wxCommandEvent& event)
{
    ProjectorEntry* entry = event.GetEventObject() == m_cableText ? m_cableEntry : m_baudEntry;
    wxTextCtrl* text = event.GetEventObject() == m_cableText ? m_cableText : m_baudText;
    if (entry == nullptr)
        return;
    entry->value = ToLocal8Bit(text->GetValue());
    SetFileModified(USER_FILE, true);
}

void ConfigDlg::OnProgram(wxCommandEvent&)
{
    if (!thePanelComm->IsConnected() && thePanelComm->Connect() != 0)
    {
        ShowMessageBox(LogText(theLog ? theLog->GetLastErrorText() : ""), "Connect Error",
                       wxOK | wxICON_ERROR, this);
        return;
    }
    Projector* proj = m_curProjector;
    wxASSERT_MSG(proj != nullptr, "proj != NULL");
    if (proj == nullptr)
        return;

    // Everything is checked before anything is sent: a payload the link
    // cannot carry would fail half-way, with part of the box programmed.
    CommandBytes payloads[WXSIZEOF(PROGRAM_STEPS)];
    for (size_t step = 0; step < WXSIZEOF(PROGRAM_STEPS); ++step)
    {
        const char* name = PROGRAM_STEPS[step].name;
        const ProjectorEntry* entry = proj->FindEntry(name);
        if (entry == nullptr || entry->value.empty())
        {
            ShowMessageBox(wxString::Format("There is no \"%s\" defined for this projector", name),
                           "Projector Error", wxOK | wxICON_ERROR, this);
            return;
        }
        bool valid = step == 0 ? BaudPayload(entry->value, payloads[step])
                               : ParseCommand(entry->value.c_str(), &payloads[step]) == 0;
        if (valid && payloads[step].size() > static_cast<size_t>(thePanelComm->GetMaxPayload()))
        {
            if (theLog != nullptr)
                theLog->Print(Log::LEVEL_ERROR,
                              "\"%s\" is %zu bytes long, the link to the control panel carries at most %i", name,
                              payloads[step].size(), thePanelComm->GetMaxPayload());
            valid = false;
        }
        if (!valid)
        {
            ShowMessageBox(wxString::Format("There is error in command definition for \"%s\"", name),
                           "Projector Error", wxOK | wxICON_ERROR, this);
            return;
        }
    }

    for (size_t step = 0; step < WXSIZEOF(PROGRAM_STEPS); ++step)
    {
        const CommResult result = thePanelComm->SendCommand(
            PROGRAM_STEPS[step].command, payloads[step].data(), static_cast<int>(payloads[step].size()), nullptr, 0,
            step == 0 ? BAUD_POLL_MS : COMMAND_POLL_MS, POLL_COUNT);
        if (result != 0)
        {
            // The items sent so far stay in the control panel.
            ShowMessageBox(LogText(theLog ? theLog->GetLastText() : ""), "Communication Error",
                           wxOK | wxICON_ERROR, this);
            return;
        }
    }
    ShowMessageBox("The Control Panel was programmed", "Success", wxOK | wxICON_NONE, this);
}

void ConfigDlg::OnHexText(wxCommandEvent&)
{
    unsigned byte = 0;
    const bool valid = m_hexText->IsEmpty() || ReadHexByte(m_hexText->GetValue(), byte);
    ShowFieldValidity(m_hexText, valid);
}

void ConfigDlg::OnAppendHex(wxCommandEvent&)
{
    unsigned byte = 0;
    if (ReadHexByte(m_hexText->GetValue(), byte))
        AppendToCommand(wxString::Format("<%02X>", byte));
}

void ConfigDlg::OnAppendSpecial(wxCommandEvent&)
{
    static const struct
    {
        const char* choice;
        const char* text;
    } SPECIALS[] = {{"CR", "<cr>"}, {"ESC", "<1B>"}, {"<", "<3C>"}, {">", "<3E>"}};
    const wxString selected = m_specialChoice->GetStringSelection();
    for (const auto& special : SPECIALS)
        if (selected == special.choice)
            AppendToCommand(special.text);
}

void ConfigDlg::OnAppendWait(wxCommandEvent&)
{
    const wxString selected = m_waitChoice->GetStringSelection();
    if (!selected.empty())
        AppendToCommand(wxString::Format("<w %s>", selected));
}

void ConfigDlg::AppendToCommand(const wxString& text)
{
    // Always at the end; the change notification stores and re-colours it.
    m_commandText->AppendText(text);
}
