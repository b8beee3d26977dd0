// "Program" against the simulated control box, the parameters and the
// command-building buttons.

#include "configdlg_fixture.h"

#include "comm/packet.h"

namespace {

const char GOOD_PROJECTOR[] = "projector: Room\nP, Baud, 9600\nC, On, PWR1<cr>\nC, Off, PWR0<cr>\n"
                              "C, SourceVGA, SRC<01>\nC, SourceComposite, SRC<02>\n";
using Bytes = PanelSimulator::Bytes;

Bytes Packet(int command, const std::string& payload)
{
    return PanelSimulator::MakePacket(CommandLetter(command), Bytes(payload.begin(), payload.end()));
}

} // namespace

class ConfigProgramTest : public ConfigDlgTest
{
protected:
    // Opens the dialog on a user file with this projector, with one part of
    // it replaced, and selects it.
    void OpenOn(std::string projector, const std::string& from = "", const std::string& to = "")
    {
        if (!from.empty())
            projector.replace(projector.find(from), from.size(), to);
        WriteUser("version: 1\n" + projector);
        Open();
        Select(dlg->m_userTree, Node(dlg->m_userTree, "Room"));
        ASSERT_TRUE(dlg->m_programButton->IsEnabled());
        sim.ClearReceived();
    }

    // The requests after the connection's probe; folded: without the link's
    // resends after a late answer on a busy machine.
    std::vector<Bytes> Sent(bool folded = false)
    {
        std::vector<Bytes> requests = folded ? sim.RequestsWithoutResends() : sim.Requests();
        if (!requests.empty() && !requests.front().empty() && requests.front()[0] == 'S')
            requests.erase(requests.begin());
        return requests;
    }
};

TEST_F(ConfigProgramTest, SendsBaudAndTheFourCommands)
{
    const std::pair<const char*, std::string> rows[] = {{"9600", std::string("\0\0\x25\x80", 4)},
                                                        {"0X1C200", std::string("\0\x01\xC2\x00", 4)}};
    for (const auto& [baud, payload] : rows)
    {
        OpenOn(GOOD_PROJECTOR, "9600", baud);
        wxTEST_DIALOG(Click(dlg->m_programButton),
                      ExpectMessageBox("The Control Panel was programmed", "Success", wxICON_NONE));
        EXPECT_EQ(Sent(true), (std::vector<Bytes>{Packet(SERIAL_BAUD, payload), Packet(SERIAL_ON, "PWR1\r"),
                                              Packet(SERIAL_OFF, "PWR0\r"), Packet(SERIAL_SOURCE_VGA, "SRC\x01"),
                                              Packet(SERIAL_SOURCE_COMPOSITE, "SRC\x02")}))
            << baud;
        EXPECT_TRUE(thePanelComm->IsConnected());
    }
}

TEST_F(ConfigProgramTest, ChecksInTableOrderBeforeSendingAnything)
{
    // A malformed command in the file does not load: syntax errors come from
    // editing, here through the value editor.
    const struct
    {
        std::string from, to;
        const char* edited;
        const char* value;
        const char* message;
    } rows[] = {
        {"C, SourceComposite, SRC<02>\n", "", nullptr, nullptr,
         "There is no \"SourceComposite\" defined for this projector"},
        {"SRC<02>", "", nullptr, nullptr, "There is no \"SourceComposite\" defined for this projector"},
        // The first problem in table order is the one reported.
        {"C, SourceComposite, SRC<02>\n", "", "Off", "PWR<0G>", "There is error in command definition for \"Off\""},
        {"", "", "SourceVGA", "SRC<01", "There is error in command definition for \"SourceVGA\""},
        // A box set to 0 baud could no longer reach its projector; a baud
        // rate beyond 32 bits (or below 0) went out cut to another one.
        {"9600", "0", nullptr, nullptr, "There is error in command definition for \"Baud\""},
        {"9600", "4294976896", nullptr, nullptr, "There is error in command definition for \"Baud\""},
        {"9600", "-9600", nullptr, nullptr, "There is error in command definition for \"Baud\""},
        // Longer than the serial link carries: Baud went out, then the failure.
        {"PWR1<cr>", std::string(254, 'A'), nullptr, nullptr, "There is error in command definition for \"On\""},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.message);
        OpenOn(GOOD_PROJECTOR, row.from, row.to);
        if (row.edited != nullptr)
        {
            Select(dlg->m_userTree, Node(dlg->m_userTree, "Room", row.edited));
            dlg->m_commandText->SetValue(row.value);
        }
        wxTEST_DIALOG(Click(dlg->m_programButton), ExpectMessageBox(row.message, "Projector Error"));
        EXPECT_TRUE(Sent().empty());
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
    wxTEST_DIALOG(Click(dlg->m_programButton), ExpectMessageBox("device returned NAK", "Communication Error"));
    const Bytes on = Packet(SERIAL_ON, "PWR1\r");
    EXPECT_EQ(Sent(), (std::vector<Bytes>{Packet(SERIAL_BAUD, std::string("\0\0\x25\x80", 4)), on, on}));
}

TEST_F(ConfigProgramTest, NoControlPanelNoProgrammingExceptInDemoMode)
{
    OpenOn(GOOD_PROJECTOR);
    sim.Stop();
    thePanelComm->SetPortLister(PortListOf({}));
    ASSERT_NE(thePanelComm->Connect(), 0); // the box shows what the log said of it
    wxTEST_DIALOG(Click(dlg->m_programButton), ExpectMessageBox(log.GetLastErrorText(), "Connect Error"));
    EXPECT_FALSE(thePanelComm->IsConnected());
    thePanelComm->SetDemo(true);
    wxTEST_DIALOG(Click(dlg->m_programButton),
                  ExpectMessageBox("The Control Panel was programmed", "Success", wxICON_NONE));
}

TEST_F(ConfigProgramTest, ParametersAndBuildingBlocksReachTheSavedFile)
{
    OpenOn("projector: Room\nC, On, X\n");
    dlg->m_baudText->SetValue("19200");
    dlg->m_cableText->SetValue("crossed");
    Select(dlg->m_userTree, Node(dlg->m_userTree, "Room", "On"));
    const wxColour red(255, 128, 128);
    // Appending ignores the cursor; a byte that does not read appends nothing.
    const struct
    {
        const char* hex;
        bool invalid;
        wxButton* append;
        wxChoice* choice;
        const char* chosen;
        const char* appended;
    } rows[] = {
        {"7", false, dlg->m_hexAppendButton, nullptr, "", "<07>"},
        {"g", true, dlg->m_hexAppendButton, nullptr, "", ""},
        {"", false, dlg->m_hexAppendButton, nullptr, "", ""},
        {"", false, dlg->m_specialAppendButton, dlg->m_specialChoice, ">", "<3E>"},
        {"", false, dlg->m_waitAppendButton, dlg->m_waitChoice, "60 sec", "<w 60 sec>"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(std::string(row.hex) + row.chosen);
        dlg->m_commandText->SetValue("X");
        dlg->m_commandText->SetInsertionPoint(0);
        dlg->m_hexText->SetValue(row.hex);
        EXPECT_EQ(dlg->m_hexText->GetBackgroundColour() == red, row.invalid);
        if (row.choice)
            row.choice->SetStringSelection(row.chosen);
        Click(row.append);
        EXPECT_EQ(dlg->m_commandText->GetValue(), wxString("X") + row.appended);
        EXPECT_NE(dlg->m_commandText->GetBackgroundColour(), red);
    }
    EXPECT_TRUE(dlg->m_userSaveButton->IsEnabled());
    Click(dlg->m_userSaveButton);
    EXPECT_EQ(ReadWholeFile(userFile),
              "version: 1\r\nprojector: Room\r\nC, On, X<w 60 sec>\r\nP, Baud, 19200\r\nP, Cable, crossed\r\n");
}
