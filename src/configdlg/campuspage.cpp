#include "configdlg/campuspage.h"

#include "campus/brokeraddress.h"
#include "campus/campuslink.h"
#include "controls/fieldvalidity.h"
#include "settings/settings.h"

#include <wx/sizer.h>
#include <wx/statbox.h>

#include <mutex>
#include <thread>

namespace {

constexpr int PROBE_TIMEOUT_MS = 5000;
constexpr int TEST_TICK_MS = 100;

wxTextCtrl* AddField(wxWindow* parent, wxFlexGridSizer* grid, const wxString& label, long style = 0)
{
    grid->Add(new wxStaticText(parent, wxID_ANY, label), 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
    wxTextCtrl* text = new wxTextCtrl(parent, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize, style);
    grid->Add(text, 1, wxEXPAND | wxALL, 5);
    return text;
}

} // namespace

struct CampusPage::ProbeResult
{
    std::mutex mutex;
    bool done = false;
    std::string text;
};

CampusPage::CampusPage(wxWindow* parent) : wxPanel(parent, wxID_ANY)
{
    wxBoxSizer* pageSizer = new wxBoxSizer(wxVERTICAL);

    wxStaticBoxSizer* brokerBox = new wxStaticBoxSizer(new wxStaticBox(this, wxID_ANY, "Campus Broker"), wxVERTICAL);
    wxWindow* box = brokerBox->GetStaticBox();
    m_enabledBox = new wxCheckBox(box, wxID_ANY, "Report this room to the campus broker");
    brokerBox->Add(m_enabledBox, 0, wxALL, 5);
    wxFlexGridSizer* grid = new wxFlexGridSizer(0, 4, 0, 0);
    grid->AddGrowableCol(1);
    grid->AddGrowableCol(3);
    m_brokerText = AddField(box, grid, "Broker:");
    m_roomText = AddField(box, grid, "Room:");
    m_roomText->SetHint(wxString::FromUTF8(DefaultRoomName()));
    m_userText = AddField(box, grid, "User:");
    m_passwordText = AddField(box, grid, "Password:", wxTE_PASSWORD);
    m_caFileText = AddField(box, grid, "CA file:");
    m_caFileText->SetHint("the system's certificates");
    m_prefixText = AddField(box, grid, "Prefix:");
    brokerBox->Add(grid, 0, wxEXPAND, 5);
    wxBoxSizer* testRow = new wxBoxSizer(wxHORIZONTAL);
    m_testButton = new wxButton(box, wxID_ANY, "Test");
    testRow->Add(m_testButton, 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
    m_testResult = new wxStaticText(box, wxID_ANY, wxEmptyString);
    testRow->Add(m_testResult, 1, wxALIGN_CENTER_VERTICAL | wxALL, 5);
    brokerBox->Add(testRow, 0, wxEXPAND, 5);
    pageSizer->Add(brokerBox, 0, wxEXPAND | wxALL, 5);

    wxStaticBoxSizer* commandsBox = new wxStaticBoxSizer(new wxStaticBox(this, wxID_ANY, "Commands"), wxVERTICAL);
    m_allowCommandsBox =
        new wxCheckBox(commandsBox->GetStaticBox(), wxID_ANY, "Allow the broker to switch this room");
    commandsBox->Add(m_allowCommandsBox, 0, wxALL, 5);
    wxBoxSizer* discoveryRow = new wxBoxSizer(wxHORIZONTAL);
    m_discoveryBox = new wxCheckBox(commandsBox->GetStaticBox(), wxID_ANY, "Announce the room to Home Assistant");
    discoveryRow->Add(m_discoveryBox, 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
    discoveryRow->Add(new wxStaticText(commandsBox->GetStaticBox(), wxID_ANY, "Discovery prefix:"), 0,
                      wxALIGN_CENTER_VERTICAL | wxALL, 5);
    m_discoveryPrefixText = new wxTextCtrl(commandsBox->GetStaticBox(), wxID_ANY);
    discoveryRow->Add(m_discoveryPrefixText, 1, wxALIGN_CENTER_VERTICAL | wxALL, 5);
    commandsBox->Add(discoveryRow, 0, wxEXPAND, 5);
    pageSizer->Add(commandsBox, 0, wxEXPAND | wxALL, 5);

    pageSizer->Add(0, 0, 1, wxEXPAND, 5);
    wxBoxSizer* buttonRow = new wxBoxSizer(wxHORIZONTAL);
    buttonRow->Add(0, 0, 1, wxEXPAND, 5);
    m_applyButton = new wxButton(this, wxID_ANY, "Apply");
    buttonRow->Add(m_applyButton, 0, wxALL, 5);
    m_revertButton = new wxButton(this, wxID_ANY, "Revert");
    buttonRow->Add(m_revertButton, 0, wxALL, 5);
    buttonRow->Add(0, 0, 1, wxEXPAND, 5);
    pageSizer->Add(buttonRow, 0, wxEXPAND, 5);
    SetSizer(pageSizer);
    Layout();

    for (wxTextCtrl* text :
         {m_brokerText, m_roomText, m_prefixText, m_userText, m_passwordText, m_caFileText, m_discoveryPrefixText})
        text->Bind(wxEVT_TEXT, &CampusPage::OnChanged, this);
    for (wxCheckBox* check : {m_enabledBox, m_allowCommandsBox, m_discoveryBox})
        check->Bind(wxEVT_CHECKBOX, &CampusPage::OnChanged, this);
    m_applyButton->Bind(wxEVT_BUTTON, &CampusPage::OnApply, this);
    m_revertButton->Bind(wxEVT_BUTTON, &CampusPage::OnRevert, this);
    m_testButton->Bind(wxEVT_BUTTON, &CampusPage::OnTest, this);
    m_testTimer.SetOwner(this);
    Bind(wxEVT_TIMER, &CampusPage::OnTestTimer, this, m_testTimer.GetId());

    LoadSettings();
}

CampusPage::~CampusPage()
{
    // A test still running ends on its own thread; its result goes nowhere.
    m_testTimer.Stop();
}

void CampusPage::LoadSettings()
{
    const CampusSettings settings = ReadCampusSettings(theSettings);
    m_enabledBox->SetValue(settings.enabled);
    m_brokerText->ChangeValue(wxString::FromUTF8(settings.broker));
    // An empty room stands for the host name: shown empty, with the name as hint.
    wxString room;
    if (theSettings != nullptr)
        theSettings->Read(KEY_CAMPUS_ROOM, &room);
    m_roomText->ChangeValue(room);
    m_prefixText->ChangeValue(wxString::FromUTF8(settings.prefix));
    m_userText->ChangeValue(wxString::FromUTF8(settings.user));
    m_passwordText->ChangeValue(wxString::FromUTF8(settings.password));
    m_caFileText->ChangeValue(wxString::FromUTF8(settings.caFile));
    m_allowCommandsBox->SetValue(settings.allowCommands);
    m_discoveryBox->SetValue(settings.discovery);
    m_discoveryPrefixText->ChangeValue(wxString::FromUTF8(settings.discoveryPrefix));
    CheckFields();
    m_modified = false;
    m_applyButton->Enable(false);
    m_revertButton->Enable(false);
}

CampusSettings CampusPage::ShownSettings() const
{
    CampusSettings settings;
    settings.enabled = m_enabledBox->GetValue();
    settings.broker = m_brokerText->GetValue().utf8_string();
    settings.room = m_roomText->GetValue().utf8_string();
    settings.prefix = m_prefixText->GetValue().utf8_string();
    settings.user = m_userText->GetValue().utf8_string();
    settings.password = m_passwordText->GetValue().utf8_string();
    settings.caFile = m_caFileText->GetValue().utf8_string();
    settings.allowCommands = m_allowCommandsBox->GetValue();
    settings.discovery = m_discoveryBox->GetValue();
    settings.discoveryPrefix = m_discoveryPrefixText->GetValue().utf8_string();
    return settings;
}

bool CampusPage::CheckFields()
{
    const CampusSettings settings = ShownSettings();
    BrokerAddress address;
    std::string why;
    const bool brokerOk = ParseBrokerUrl(settings.broker, address, why);
    const bool roomOk = settings.room.empty() || IsTopicName(settings.room, false);
    const bool prefixOk = IsTopicName(settings.prefix, true);
    const bool discoveryOk = IsTopicName(settings.discoveryPrefix, true);
    ShowFieldValidity(m_brokerText, brokerOk);
    ShowFieldValidity(m_roomText, roomOk);
    ShowFieldValidity(m_prefixText, prefixOk);
    ShowFieldValidity(m_discoveryPrefixText, discoveryOk);
    return brokerOk && roomOk && prefixOk && discoveryOk;
}

void CampusPage::OnChanged(wxCommandEvent&)
{
    CheckFields();
    m_modified = true;
    // As on the Options page, Apply stays offered and refuses red fields.
    m_applyButton->Enable(true);
    m_revertButton->Enable(true);
}

void CampusPage::OnApply(wxCommandEvent&)
{
    if (!CheckFields())
        return;
    if (theSettings != nullptr)
    {
        WriteCampusSettings(*theSettings, ShownSettings());
        FlushSettings(*theSettings);
    }
    m_modified = false;
    m_applyButton->Enable(false);
    m_revertButton->Enable(false);
}

void CampusPage::OnRevert(wxCommandEvent&)
{
    LoadSettings();
}

void CampusPage::OnTest(wxCommandEvent&)
{
    CampusSettings settings = ShownSettings();
    if (settings.room.empty())
        settings.room = DefaultRoomName();
    m_probe = std::make_shared<ProbeResult>();
    // The thread owns its share of the result: the page may close first.
    std::thread([settings, probe = m_probe] {
        const std::string text = ProbeBroker(settings, PROBE_TIMEOUT_MS);
        std::lock_guard<std::mutex> lock(probe->mutex);
        probe->text = text;
        probe->done = true;
    }).detach();
    m_testButton->Enable(false);
    m_testResult->SetLabel("Connecting...");
    m_testTicks = 0;
    m_testTimer.Start(TEST_TICK_MS);
}

void CampusPage::OnTestTimer(wxTimerEvent&)
{
    std::string text;
    {
        std::lock_guard<std::mutex> lock(m_probe->mutex);
        if (m_probe->done)
            text = m_probe->text;
    }
    if (text.empty() && ++m_testTicks * TEST_TICK_MS < PROBE_TIMEOUT_MS + 500)
        return;
    if (text.empty())
        text = "no answer from the broker within 5 s";
    m_testTimer.Stop();
    m_testResult->SetLabel(wxString::FromUTF8(text));
    m_testButton->Enable(true);
}
