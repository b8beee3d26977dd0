// "Program" against the simulated control box.

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
    // Opens the dialog on a user file with this projector, `from` replaced by
    // `to`, and selects it.
    void OpenOn(const std::string& from = "", const std::string& to = "")
    {
        std::string projector = GOOD_PROJECTOR;
        if (!from.empty())
            projector.replace(projector.find(from), from.size(), to);
        WriteUser("version: 1\n" + projector);
        Open();
        Select(dlg->m_userTree, Node(dlg->m_userTree, "Room"));
        sim.ClearReceived();
    }

    // The requests after the connection's probe, without the link's resends
    // after a late answer on a busy machine.
    std::vector<Bytes> Sent()
    {
        std::vector<Bytes> requests = sim.RequestsWithoutResends();
        if (!requests.empty() && !requests.front().empty() && requests.front()[0] == 'S')
            requests.erase(requests.begin());
        return requests;
    }
};

// Baud goes out as four bytes, high first, then the four commands with their escapes decoded.
TEST_F(ConfigProgramTest, SendsBaudAndTheFourCommands)
{
    OpenOn();
    wxTEST_DIALOG(Click(dlg->m_programButton),
                  ExpectMessageBox("The Control Panel was programmed", "Success", wxICON_NONE));
    EXPECT_EQ(Sent(), (std::vector<Bytes>{Packet(SERIAL_BAUD, std::string("\0\0\x25\x80", 4)),
                                          Packet(SERIAL_ON, "PWR1\r"), Packet(SERIAL_OFF, "PWR0\r"),
                                          Packet(SERIAL_SOURCE_VGA, "SRC\x01"),
                                          Packet(SERIAL_SOURCE_COMPOSITE, "SRC\x02")}));
}

// A box half programmed: a problem found after the first packets went out.
TEST_F(ConfigProgramTest, ChecksInTableOrderBeforeSendingAnything)
{
    const struct
    {
        std::string from, to;
        const char* edited; // a malformed command does not load: typed in the value editor
        const char* value;
        const char* message;
    } rows[] = {
        {"C, SourceComposite, SRC<02>\n", "", nullptr, nullptr,
         "There is no \"SourceComposite\" defined for this projector"},
        {"SRC<02>", "", nullptr, nullptr, "There is no \"SourceComposite\" defined for this projector"},
        // The first problem in table order is the one reported.
        {"C, SourceComposite, SRC<02>\n", "", "Off", "PWR<0G>", "There is error in command definition for \"Off\""},
        // A box set to 0 baud could no longer reach its projector; beyond 32 bits it went out cut.
        {"9600", "0", nullptr, nullptr, "There is error in command definition for \"Baud\""},
        {"9600", "4294976896", nullptr, nullptr, "There is error in command definition for \"Baud\""},
        {"9600", "-9600", nullptr, nullptr, "There is error in command definition for \"Baud\""},
        // Longer than the serial link carries: Baud went out, then the failure.
        {"PWR1<cr>", std::string(254, 'A'), nullptr, nullptr, "There is error in command definition for \"On\""},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.message);
        OpenOn(row.from, row.to);
        if (row.edited != nullptr)
        {
            Select(dlg->m_userTree, Node(dlg->m_userTree, "Room", row.edited));
            dlg->m_commandText->SetValue(row.value);
        }
        wxTEST_DIALOG(Click(dlg->m_programButton), ExpectMessageBox(row.message, "Projector Error"));
        EXPECT_TRUE(Sent().empty());
    }
}
