// The link to the control box: over a pseudo-terminal with the simulated
// box on the other end, over a scripted I2C bus, and on the Linux bus of a
// made-up sysfs tree. The bytes on the wire, the answers, the limits, the
// search and the serial port layer.

#include "comm/i2ctransport.h"
#include "comm/linuxddcbus.h"
#include "comm/panelcomm.h"
#include "comm/serialport.h"
#include "comm/serialtransport.h"

#include "support/core/child_process.h"
#include "support/core/fake_ddc_bus.h"
#include "support/core/log_recorder.h"
#include "support/core/panel_simulator.h"
#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <climits>
#include <poll.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Bytes = PanelSimulator::Bytes;
using Lines = std::vector<std::string>;

// Polls for answers that must come: the transport stops at the answer, so a
// loaded machine that delivers it late does not fail the test.
constexpr int kPatient = 10;

Bytes Packet(uint8_t letter, const Bytes& payload = {})
{
    return PanelSimulator::MakePacket(letter, payload);
}

struct SerialLink : testing::Test
{
    LogRecorder log;
    PanelSimulator box;
    PanelComm comm{MissingDdcBus()};

    void SetUp() override
    {
        ASSERT_TRUE(box.Start());
        comm.SetPortLister(PortListOf({box.Path()}));
        ASSERT_TRUE(ConnectPatiently(comm)) << log.Text();
        box.ClearReceived();
        log.Clear();
    }
};

// The same link over the I2C bus as well: answers are queued bytes on the
// serial line, scripted reads on the bus.
struct Link : SerialLink
{
    FakeDdcBus* bus = new FakeDdcBus;
    std::unique_ptr<PanelComm> i2c = std::make_unique<PanelComm>(std::unique_ptr<DdcBus>(bus));

    void SetUp() override
    {
        SerialLink::SetUp();
        i2c->SetPortLister(PortListOf({}));
        bus->QueueRead(Packet('S', {1, 2, 3, 4}));
        ASSERT_EQ(i2c->Connect(), COMM_OK) << log.Text();
        bus->writes.clear();
        log.Clear();
    }
};
using I2C = Link;

// Would catch a command sent with the wrong letter, value or CRC, an answer
// taken for what it is not, a wrong resend, or a reply read past its packet.
TEST_F(Link, EachExchangeSendsItsPacketAndTheAnswerDecides)
{
    // Each row over the serial line and over the I2C bus; no setter: a status query.
    using Setter = CommResult (PanelComm::*)(uint8_t, int, int);
    const Bytes status = Packet('Q', {1, 2, 20, 0, 1, 3}), none(6, 0xEE);
    Bytes stray = Packet('Q', {4, 3, 2, 1}), wrongCrc = Packet('Q', {7, 7, 7, 7, 7, 7});
    stray.insert(stray.end(), {0xEE, 0xEE});
    wrongCrc.back() ^= 1;
    const struct
    {
        Setter setter;
        uint8_t value, letter;
        std::vector<Bytes> answers;
        CommResult result;
        size_t sent; // at least, on the serial line: a late answer on a busy machine may add a resend
        std::string line;
        Bytes reply;
    } rows[] = {
        {&PanelComm::SetPower, 1, 'A', {{0x06}}, COMM_OK, 1, " tx: 41 03 01 8F 11", {}},
        {&PanelComm::SetMute, 1, 'G', {{0x15}, {0x15}}, COMM_NAK, 2, "Warning: device returned NAK", {}},
        {&PanelComm::SetMicLevel, 3, 'D', {{0x41}}, COMM_MALFORMED, 1, "Warning: expected ACK/NAK received 0x41", {}},
        {&PanelComm::SetVolume, 10, 'E', {{}, {}}, COMM_NO_DATA, 2, "Warning: device did not return any data", {}},
        {nullptr, 0, 'Q', {status}, 6, 1, " tx: 51 02 66 09", {1, 2, 20, 0, 1, 3}},
        {nullptr, 0, 'Q', {wrongCrc, status}, 6, 2, "", {1, 2, 20, 0, 1, 3}}, // asked again
        {nullptr, 0, 'Q', {stray}, 4, 1, "", {4, 3, 2, 1, 0xEE, 0xEE}}, // only the payload counts
        {nullptr, 0, 'Q', {wrongCrc, wrongCrc}, COMM_BAD_CRC, 2, "Warning: corrupted packet, CRC did not match", none},
        {nullptr, 0, 'Q', {{0x51, 9, 1, 2, 3, 4, 5, 6, 7, 8}}, COMM_MALFORMED, 1, "malformed packet, length was only 10", none},
    };
    for (const auto& row : rows)
        for (const bool overI2C : {false, true})
        {
            SCOPED_TRACE(std::string(overI2C ? "i2c " : "serial ") + std::to_string(&row - rows) + " " + row.line);
            log.Clear();
            box.ClearReceived();
            bus->writes.clear();
            for (const Bytes& answer : row.answers)
                overI2C ? bus->QueueRead(answer) : box.QueueBytes(answer);
            PanelComm& link = overI2C ? *i2c : comm;
            const int polls = overI2C || row.result == COMM_NO_DATA ? POLL_COMMAND_COUNT : kPatient;
            Bytes reply = none;
            const CommResult result = row.setter ? (link.*row.setter)(row.value, POLL_COMMAND_MS, polls)
                                                 : link.GetStatus(reply.data(), POLL_STATUS_MS, polls);
            EXPECT_EQ(result, row.result);
            EXPECT_NE(log.Text().find(row.line), std::string::npos) << log.Text();
            EXPECT_EQ(reply, row.setter ? none : row.reply);
            const Bytes packet = row.setter ? Packet(row.letter, {row.value}) : Packet('Q');
            if (overI2C)
                EXPECT_EQ(bus->writes, std::vector<Bytes>(row.sent, packet));
            else
            {
                EXPECT_EQ(box.RequestsWithoutResends(), std::vector<Bytes>{packet});
                EXPECT_GE(box.RequestCount(), row.sent);
            }
        }
    bus->writeResults.push_back(EIO);
    EXPECT_EQ(i2c->SetPower(1, POLL_COMMAND_MS, POLL_COMMAND_COUNT), COMM_IO_ERROR);
    EXPECT_TRUE(log.Contains("Error: unable to write I2C, error code 5")) << log.Text();
}

// Would catch an answer that came too late being taken for the next command's.
TEST_F(SerialLink, ALateAnswerIsPurgedBeforeTheNextCommand)
{
    box.QueueBytes({}); // silence, twice
    box.QueueBytes({});
    EXPECT_EQ(comm.SetPower(2, POLL_COMMAND_MS, POLL_COMMAND_COUNT), COMM_NO_DATA);
    box.SendNow({0x06}); // after both attempts have given up
    pollfd late{box.Line(), POLLIN, 0};
    ASSERT_EQ(poll(&late, 1, 5000), 1) << "the late ACK is waiting on the line";
    box.QueueNak();
    box.QueueNak();
    EXPECT_EQ(comm.SetPower(2, POLL_COMMAND_MS, POLL_COMMAND_COUNT), COMM_NAK) << log.Text();
}

// Would catch a read-only exchange sized by the caller's capacity instead of
// the longest packet: a capacity beyond any packet overflows the read's size.
// Only a packet's payload is ever written to the reply.
TEST_F(SerialLink, ReadOnlyExchangesReadAtMostTheLongestPacket)
{
    uint8_t reply[MAX_PAYLOAD];
    box.SendNow(Packet('P', Bytes(MAX_PAYLOAD, 0x5A)));
    EXPECT_EQ(comm.SendCommand(NO_CMD, nullptr, 0, reply, INT_MAX, POLL_STATUS_MS, kPatient), MAX_PAYLOAD);
}

// Would catch a payload whose length wraps the length byte, or the longest one cut.
TEST_F(SerialLink, PayloadsTheLengthByteCannotCarryAreRefused)
{
    std::vector<uint8_t> payload(254, 'x');
    EXPECT_EQ(comm.SendCommand(SERIAL_PASSTHROUGH, payload.data(), 254, nullptr, 0, POLL_COMMAND_MS, 1), COMM_MALFORMED);
    EXPECT_EQ(log.Lines(), (Lines{"Error: payload of 254 bytes is too long, at most 253 bytes can be sent"}));
    EXPECT_EQ(comm.SendCommand(SERIAL_PASSTHROUGH, payload.data(), 253, nullptr, 0, POLL_COMMAND_MS, kPatient), COMM_OK);
    EXPECT_EQ(box.RequestsWithoutResends(), std::vector<Bytes>{Packet('P', Bytes(253, 'x'))});
}

// Would catch a failed probe traced without its count (-5), over the I2C bus
// or the serial line (its output stopped, as by XOFF, so that the probe
// cannot be written), or a port path longer than the link holds copied cut short.
TEST_F(Link, AFailedProbeIsTracedWithItsCount)
{
    bus->reads = {{EIO, {}}};
    EXPECT_EQ(FindI2CPanel(*i2c), COMM_IO_ERROR);
    ASSERT_EQ(tcflow(box.Line(), TCOOFF), 0);
    TempDir dir;
    const std::string longPath = dir.Path() + "/" + std::string(70 - dir.Path().size(), 'p');
    ASSERT_EQ(symlink(box.Path().c_str(), longPath.c_str()), 0);
    comm.SetPortLister(PortListOf({longPath, box.Path()}));
    EXPECT_EQ(comm.Connect(), COMM_IO_ERROR);
    EXPECT_EQ(log.Count("Debug2: expected cnt = 8, received cnt = -5"), 2) << log.Text();
    EXPECT_NE(std::string(log.GetLastErrorText()).find(longPath + ": path too long; "), std::string::npos);
}

// Would catch a request the bus cannot carry sent cut short, a read longer
// than a transfer, or a link that stays open after Disconnect.
TEST_F(I2C, RequestsOverTheBusLimitAreRefusedAndDisconnectEndsTheLink)
{
    Bytes payload(252, 'x');
    EXPECT_EQ(i2c->SendCommand(SERIAL_PASSTHROUGH, payload.data(), 252, nullptr, 0, POLL_COMMAND_MS, 2), COMM_MALFORMED);
    EXPECT_EQ(log.Lines(), (Lines{"Error: payload of 252 bytes is too long, at most 251 bytes can be sent over i2c"}));
    bus->QueueRead({0x06});
    EXPECT_EQ(i2c->SendCommand(SERIAL_PASSTHROUGH, payload.data(), 251, nullptr, 0, POLL_COMMAND_MS, 2), COMM_OK);
    EXPECT_EQ(bus->writes, std::vector<Bytes>{Packet('P', Bytes(251, 'x'))});
    uint8_t reply[300]; // more than a transfer carries
    bus->QueueRead(Packet('P', {'o', 'k'}));
    EXPECT_EQ(i2c->SendCommand(NO_CMD, nullptr, 0, reply, 300, POLL_COMMAND_MS, 2), 2);
    i2c->Disconnect();
    EXPECT_EQ(bus->deinitCalls, 1);
    EXPECT_EQ(i2c->SetPower(1, POLL_COMMAND_MS, POLL_COMMAND_COUNT), COMM_IO_ERROR);
}

// Would catch a port left cooked, blocking or shareable, or its exclusive
// mode and settings not put back on close (others could not open it again).
TEST(SerialPortLayer, RawExclusiveNonBlockingAndTheSettingsPutBack)
{
    PanelSimulator box;
    ASSERT_TRUE(box.Start());
    termios before{}, line{};
    ASSERT_EQ(tcgetattr(box.Line(), &before), 0);
    SerialPort* port = OpenSerialPort(box.Path().c_str());
    ASSERT_NE(port, nullptr);
    ASSERT_EQ(tcgetattr(box.Line(), &line), 0);
    EXPECT_EQ(line.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), static_cast<tcflag_t>(CS8));
    EXPECT_EQ(line.c_iflag & (IXON | IXOFF | ICRNL | ISTRIP), 0u);
    EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(line.c_oflag & OPOST, 0u);
    EXPECT_EQ(OpenSerialPort(box.Path().c_str()), nullptr) << "nobody else gets the port";
    uint8_t buffer[8];
    EXPECT_EQ(ReadSerialPort(port, buffer, 8), 0) << "reads never wait";
    CloseSerialPort(port);
    int exclusive = 1;
    ASSERT_EQ(ioctl(box.Line(), TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0) << "exclusive mode cleared: others may open it again";
    ASSERT_EQ(tcgetattr(box.Line(), &line), 0);
    EXPECT_EQ(line.c_cflag, before.c_cflag);
}

// Root opens every device, so the user's side runs again as "nobody".
// Would catch a refused device reported without the group that opens it.
TEST(LinuxBus, AnOrdinaryUserIsToldWhichGroupToJoin)
{
    TempDir root;
    if (getuid() == 0)
    {
        const passwd* nobody = getpwnam("nobody");
        ASSERT_NE(nobody, nullptr);
        char self[PATH_MAX];
        const ssize_t length = readlink("/proc/self/exe", self, sizeof(self) - 1);
        ASSERT_GT(length, 0);
        self[length] = '\0';
        ChildProcess child({"/usr/bin/setpriv", "--reuid=" + std::to_string(nobody->pw_uid),
                            "--regid=" + std::to_string(nobody->pw_gid), "--clear-groups", self,
                            "--gtest_filter=LinuxBus.AnOrdinaryUserIsToldWhichGroupToJoin"},
                           {}, root.File("out.txt"));
        ASSERT_TRUE(child.Start() && child.Wait(60000)) << child.Output();
        EXPECT_EQ(child.ExitStatus(), 0) << child.Output();
        // The filter matched and the case really ran as the other user.
        EXPECT_NE(child.Output().find("[  PASSED  ] 1 test"), std::string::npos) << child.Output();
        return;
    }
    // A sysfs with the i2c-dev interface, a connected connector whose DDC
    // bus is i2c-3, and its device, which nobody may open.
    const LinuxDdcPaths paths{root.File("i2c-dev"), root.File("drm"),     root.File("dev"),
                              root.File("boot"),    root.File("modprobe"), root.File("insmod")};
    for (const char* dir : {"i2c-dev", "drm", "drm/card0-HDMI-A-1", "dev", "i2c-3"})
        ASSERT_EQ(mkdir(root.File(dir).c_str(), 0755), 0);
    ASSERT_TRUE(WriteWholeFile(root.File("drm/card0-HDMI-A-1/status"), "connected\n"));
    ASSERT_EQ(symlink(root.File("i2c-3").c_str(), root.File("drm/card0-HDMI-A-1/ddc").c_str()), 0);
    ASSERT_TRUE(WriteWholeFile(root.File("dev/i2c-3"), "") && chmod(root.File("dev/i2c-3").c_str(), 0) == 0);
    LogRecorder log;
    PanelSimulator box;
    ASSERT_TRUE(box.Start());
    ASSERT_EQ(chmod(box.Path().c_str(), 0), 0); // unreadable for its owner too
    PanelComm comm(std::make_unique<LinuxDdcBus>(paths));
    comm.SetPortLister(PortListOf({box.Path()}));
    EXPECT_EQ(comm.Connect(), COMM_IO_ERROR);
    const std::string line = log.GetLastErrorText();
    EXPECT_NE(line.find(box.Path() + ": permission denied (add the user to the dialout group, then log in again); I2C: "
                        "no permission on " + root.File("dev/i2c-3") + " ("), std::string::npos) << line;
    EXPECT_NE(line.find("i2c group, then log in again)"), std::string::npos) << line;
}

} // namespace
