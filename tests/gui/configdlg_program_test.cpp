// "Program" against the simulated control box, and the command-building
// buttons.

#include "configdlg_fixture.h"

#include "comm/packet.h"
#include "comm/panelcomm.h"

#include "support/core/fake_ddc_bus.h"
#include "support/core/panel_simulator.h"

#include <memory>

namespace {

const char GOOD_PROJECTOR[] = "projector: Room\nP, Baud, 9600\nC, On, PWR1<cr>\nC, Off, PWR0<cr>\n"
                              "C, SourceVGA, SRC<01>\nC, SourceComposite, SRC<02>\n";

} // namespace

class ConfigProgramTest : public ConfigDlgTest
{
protected:
    void SetUp() override
    {
        ConfigDlgTest::SetUp();
        ASSERT_TRUE(sim.Start());
        m_oldComm = thePanelComm;
        auto* bus = new FakeDdcBus;
        bus->initResult = 2; // no I2C here: only the simulated box on the serial line
        thePanelComm = new PanelComm(std::unique_ptr<DdcBus>(bus));
        thePanelComm->SetPortLister(PortListOf({sim.Path()}));
    }

    void TearDown() override
    {
        ConfigDlgTest::TearDown();
        delete thePanelComm;
        thePanelComm = m_oldComm;
        sim.Stop();
    }

    // Opens the dialog on a user file with this projector and selects it.
    void OpenOn(const std::string& projector)
    {
        WriteUser("version: 1\n" + projector);
        Open();
        Select(dlg->m_userTree, Node(dlg->m_userTree, "Room"));
        ASSERT_TRUE(dlg->m_programButton->IsEnabled());
    }

    // The requests after the connection's probe.
    std::vector<PanelSimulator::Bytes> Sent()
    {
        std::vector<PanelSimulator::Bytes> requests = sim.Requests();
        if (!requests.empty() && !requests.front().empty() && requests.front()[0] == 'S')
            requests.erase(requests.begin());
        return requests;
    }

    static PanelSimulator::Bytes Packet(int command, const std::string& payload)
    {
        return PanelSimulator::MakePacket(CommandLetter(command),
                                          PanelSimulator::Bytes(payload.begin(), payload.end()));
    }

    PanelSimulator sim;

private:
    PanelComm* m_oldComm = nullptr;
};

TEST_F(ConfigProgramTest, SendsBaudAndTheFourCommands)
{
    struct Row
    {
        const char* baud;
        std::string payload;
    };
    const Row rows[] = {{"9600", std::string("\0\0\x25\x80", 4)},
                        {"0x2580", std::string("\0\0\x25\x80", 4)},
                        {"0X1C200", std::string("\0\x01\xC2\x00", 4)}};
    for (const Row& row : rows)
    {
        std::string projector = GOOD_PROJECTOR;
        projector.replace(projector.find("9600"), 4, row.baud);
        OpenOn(projector);
        sim.ClearReceived();
        wxTEST_DIALOG(Click(dlg->m_programButton),
                      ExpectMessageBox("The Control Panel was programmed", "Success", wxICON_NONE));
        EXPECT_EQ(Sent(), (std::vector<PanelSimulator::Bytes>{
                              Packet(SERIAL_BAUD, row.payload), Packet(SERIAL_ON, "PWR1\r"),
                              Packet(SERIAL_OFF, "PWR0\r"), Packet(SERIAL_SOURCE_VGA, "SRC\x01"),
                              Packet(SERIAL_SOURCE_COMPOSITE, "SRC\x02")}))
            << row.baud;
        EXPECT_TRUE(thePanelComm->IsConnected());
        dlg->Destroy();
        FlushEvents();
        dlg = nullptr;
    }
}

TEST_F(ConfigProgramTest, ChecksInTableOrderBeforeSendingAnything)
{
    // A file with a malformed command does not load that line: syntax errors
    // come from editing, here through the value editor.
    struct Row
    {
        std::string from;
        std::string to;
        const char* edited;
        const char* value;
        const char* message;
    };
    const Row rows[] = {
        {"C, SourceComposite, SRC<02>\n", "", nullptr, nullptr,
         "There is no \"SourceComposite\" defined for this projector"},
        {"C, SourceComposite, SRC<02>\n", "C, SourceComposite, \n", nullptr, nullptr,
         "There is no \"SourceComposite\" defined for this projector"},
        // The first problem in table order is the one reported.
        {"C, SourceComposite, SRC<02>\n", "", "Off", "PWR<0G>",
         "There is error in command definition for \"Off\""},
        {"", "", "SourceVGA", "SRC<01", "There is error in command definition for \"SourceVGA\""},
        {"P, Baud, 9600\n", "", nullptr, nullptr, "There is no \"Baud\" defined for this projector"},
        {"P, Baud, 9600\n", "P, Baud, fast\n", nullptr, nullptr,
         "There is error in command definition for \"Baud\""},
        {"P, Baud, 9600\n", "P, Baud, 0\n", nullptr, nullptr,
         "There is error in command definition for \"Baud\""},
    };
    for (const Row& row : rows)
    {
        std::string projector = GOOD_PROJECTOR;
        if (!row.from.empty())
            projector.replace(projector.find(row.from), row.from.size(), row.to);
        OpenOn(projector);
        if (row.edited != nullptr)
        {
            Select(dlg->m_userTree, Node(dlg->m_userTree, "Room", row.edited));
            dlg->m_commandText->SetValue(row.value);
        }
        sim.ClearReceived();
        wxTEST_DIALOG(Click(dlg->m_programButton), ExpectMessageBox(row.message, "Projector Error"));
        EXPECT_TRUE(Sent().empty()) << row.message;
        dlg->Destroy();
        FlushEvents();
        dlg = nullptr;
    }
}

TEST_F(ConfigProgramTest, RefusedCommandStopsTheRest)
{
    OpenOn(GOOD_PROJECTOR);
    ASSERT_EQ(thePanelComm->Connect(), 0);
    sim.ClearReceived();
    sim.QueueAck(); // Baud
    sim.QueueNak(); // On, and its one repetition
    sim.QueueNak();
    wxTEST_DIALOG(Click(dlg->m_programButton),
                  ExpectMessageBox("device returned NAK", "Communication Error"));
    const PanelSimulator::Bytes on = Packet(SERIAL_ON, "PWR1\r");
    EXPECT_EQ(Sent(), (std::vector<PanelSimulator::Bytes>{Packet(SERIAL_BAUD, std::string("\0\0\x25\x80", 4)),
                                                          on, on}));
}

TEST_F(ConfigProgramTest, NoControlPanelNoProgrammingExceptInDemoMode)
{
    OpenOn(GOOD_PROJECTOR);
    sim.Stop();
    thePanelComm->SetPortLister(PortListOf({}));
    wxString message;
    wxTEST_DIALOG(Click(dlg->m_programButton), CaptureErrorBox("Connect Error", message));
    EXPECT_FALSE(message.empty());
    EXPECT_EQ(message.utf8_string(), log.GetLastErrorText());
    EXPECT_FALSE(thePanelComm->IsConnected());

    // In demo mode the same programming succeeds without hardware.
    thePanelComm->SetDemo(true);
    wxTEST_DIALOG(Click(dlg->m_programButton),
                  ExpectMessageBox("The Control Panel was programmed", "Success", wxICON_NONE));
}

TEST_F(ConfigProgramTest, ParametersAreStoredAndSaved)
{
    OpenOn(GOOD_PROJECTOR);
    dlg->m_baudText->SetValue("19200");
    dlg->m_cableText->SetValue("crossed");
    EXPECT_TRUE(dlg->m_userSaveButton->IsEnabled());
    Click(dlg->m_userSaveButton);
    const std::string saved = ReadWholeFile(userFile);
    EXPECT_NE(saved.find("P, Baud, 19200\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("P, Cable, crossed\r\n"), std::string::npos) << saved;
}

TEST_F(ConfigProgramTest, BuildingBlocksAppendToTheEnd)
{
    OpenOn("projector: Room\nC, On, X\n");
    Select(dlg->m_userTree, Node(dlg->m_userTree, "Room", "On"));
    const wxColour red(255, 128, 128);
    struct Row
    {
        const char* hex;
        bool invalid;
        const char* appended;
    };
    const Row hexRows[] = {{"7", false, "<07>"}, {"ff", false, "<FF>"}, {"g", true, ""}, {"", false, ""}};
    for (const Row& row : hexRows)
    {
        dlg->m_commandText->SetValue("X");
        dlg->m_commandText->SetInsertionPoint(0); // appending ignores the cursor
        dlg->m_hexText->SetValue(row.hex);
        EXPECT_EQ(dlg->m_hexText->GetBackgroundColour() == red, row.invalid) << row.hex;
        Click(dlg->m_hexAppendButton);
        EXPECT_EQ(dlg->m_commandText->GetValue(), wxString("X") + row.appended) << row.hex;
    }

    const std::pair<const char*, const char*> specials[] = {
        {"CR", "<cr>"}, {"<", "<3C>"}, {">", "<3E>"}};
    for (const auto& [choice, appended] : specials)
    {
        dlg->m_commandText->SetValue("X");
        dlg->m_specialChoice->SetStringSelection(choice);
        Click(dlg->m_specialAppendButton);
        EXPECT_EQ(dlg->m_commandText->GetValue(), wxString("X") + appended) << choice;
    }

    dlg->m_commandText->SetValue("X");
    dlg->m_waitChoice->SetStringSelection("60 sec");
    Click(dlg->m_waitAppendButton);
    EXPECT_EQ(dlg->m_commandText->GetValue(), "X<w 60 sec>");
    // The appended text went through the editor into the model.
    EXPECT_EQ(dlg->m_userList.FindProjector("Room")->FindEntry("On")->value, "X<w 60 sec>");
    EXPECT_NE(dlg->m_commandText->GetBackgroundColour(), red);
}
