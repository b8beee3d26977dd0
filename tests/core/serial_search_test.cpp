// The serial search (probe of every listed port) and the termios port layer,
// against simulated boxes on pseudo-terminals.

#include "comm/panelcomm.h"
#include "comm/serialport.h"
#include "comm/serialtransport.h"

#include "support/core/fake_ddc_bus.h"
#include "support/core/log_recorder.h"
#include "support/core/panel_simulator.h"
#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <sys/ioctl.h>
#include <termios.h>
#include <tuple>
#include <unistd.h>

namespace {

using Bytes = PanelSimulator::Bytes;
using Lines = std::vector<std::string>;

struct Search : testing::Test
{
    LogRecorder log;
    PanelSimulator first, second;
    PanelComm comm{MissingDdcBus()};

    void SetUp() override
    {
        ASSERT_TRUE(first.Start());
        ASSERT_TRUE(second.Start());
        second.SetPanelInfo({0x10, 0x20, 0x30, 0x40});
    }
};

TEST_F(Search, PortsThatCannotBeOpenedOrAreCutShortAreSkipped)
{
    comm.SetPortLister([](char*, int) { return -1; }); // a system without a port list
    EXPECT_EQ(FindSerialPanel(comm), COMM_IO_ERROR);
    TempDir dir;
    const std::string longPath = dir.Path() + "/" + std::string(70 - dir.Path().size(), 'p'); // > port path
    ASSERT_EQ(symlink(first.Path().c_str(), longPath.c_str()), 0);
    comm.SetPortLister(PortListOf({longPath}));
    EXPECT_EQ(FindSerialPanel(comm), COMM_IO_ERROR);
    EXPECT_EQ(log.Lines(), (Lines{"Warning: unable to find Aulavox control panel",
                                  "Debug3: unable to open comm port " + longPath,
                                  "Warning: unable to find Aulavox control panel"}));

    ASSERT_TRUE(WriteWholeFile(dir.File("plain"), "not a terminal"));
    comm.SetPortLister(PortListOf({"/nonexistent/ttyUSB9", dir.File("plain"), second.Path()}));
    log.Clear();
    ASSERT_EQ(FindSerialPanel(comm), COMM_OK) << log.Text();
    EXPECT_STREQ(comm.GetPortPath(), second.Path().c_str());
    EXPECT_EQ(comm.GetPanelInfo()[3], 0x40u);
    const Lines lines = log.Lines();
    ASSERT_GE(lines.size(), 8u) << log.Text();
    EXPECT_EQ(Lines(lines.begin(), lines.begin() + 7),
              (Lines{"Debug3: trying to open comm port /nonexistent/ttyUSB9",
                     "Debug3: unable to open comm port /nonexistent/ttyUSB9",
                     "Debug3: trying to open comm port " + dir.File("plain"),
                     "Debug3: unable to open comm port " + dir.File("plain"),
                     "Debug3: trying to open comm port " + second.Path(), "Debug2: opened comm port " + second.Path(),
                     "Debug3: uart tx: 53 02 EA 0A"}));
    EXPECT_EQ(lines[7].rfind("Debug3: uart rx: 56 06 10 20 30 40 ", 0), 0u) << log.Text();
    EXPECT_TRUE(first.Received().empty());
}

TEST_F(Search, WrongAnswersCloseThePortAndTheNextOneIsTried)
{
    const Bytes good = PanelSimulator::MakePacket('V', {1, 2, 3, 4});
    Bytes badCrc = good, nine = good;
    badCrc[7] ^= 0x01;
    nine.push_back(0);
    char crc[32];
    snprintf(crc, sizeof(crc), "crc error, expected %02X%02X", good[6], good[7]);
    const struct
    {
        std::vector<Bytes> answers;
        std::string message;
        size_t probes;
    } rows[] = {
        {{nine}, "expected cnt = 8, received cnt = 9", 1}, // an answer ends the polls: no retry
        {{PanelSimulator::MakePacket('S', {1, 2, 3, 4})}, "expected cmd = 'V', received cmd = 'S'", 1},
        {{{'V', 5, 1, 2, 3, 4, 5, 6}}, "expected len = 6, received len = '5'", 1},
        {{badCrc}, crc, 1},
        {{{}, {}}, "expected cnt = 8, received cnt = 0", 2},
    };
    comm.SetPortLister(PortListOf({first.Path(), second.Path()}));
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.message);
        log.Clear();
        first.ClearReceived();
        for (const Bytes& answer : row.answers)
            first.QueueBytes(answer);
        ASSERT_EQ(FindSerialPanel(comm), COMM_OK) << log.Text();
        EXPECT_STREQ(comm.GetPortPath(), second.Path().c_str());
        EXPECT_TRUE(log.Contains("Debug2: " + row.message)) << log.Text();
        EXPECT_TRUE(log.Contains("Debug2: closed comm port " + first.Path())) << log.Text();
        EXPECT_EQ(first.RequestCount(), row.probes);
    }
    // A new search starts by closing the link; the first box now answers.
    log.Clear();
    ASSERT_EQ(FindSerialPanel(comm), COMM_OK);
    EXPECT_STREQ(comm.GetPortPath(), first.Path().c_str());
    EXPECT_EQ(log.Lines().front(), "Debug2: closed comm port " + second.Path());
}

TEST_F(Search, ConnectFallsBackToI2CAndFailsWhenNeitherFindsAPanel)
{
    auto fake = std::make_unique<FakeDdcBus>();
    fake->QueueRead(PanelSimulator::MakePacket('S', {5, 6, 7, 8}));
    PanelComm link(std::move(fake));
    link.SetPortLister(PortListOf({first.Path()}));
    first.QueueNak();
    first.QueueNak();
    ASSERT_EQ(link.Connect(), COMM_OK) << log.Text();
    EXPECT_FALSE(link.IsSerialOpen());
    EXPECT_EQ(link.GetI2CDevice(), 3);
    EXPECT_EQ(link.GetPanelInfo()[0], 5u);

    comm.SetPortLister(PortListOf({}));
    EXPECT_EQ(comm.Connect(), COMM_IO_ERROR);
    EXPECT_TRUE(log.Contains("Error: Initialized of I2C driver failed, code 2")) << log.Text();
}

TEST(SerialPortLayer, RawExclusiveNonBlockingAndTheSettingsPutBack)
{
    PanelSimulator box;
    ASSERT_TRUE(box.Start());
    termios before{}, line{};
    ASSERT_EQ(tcgetattr(box.Line(), &before), 0);
    SerialPort* port = OpenSerialPort(box.Path().c_str());
    ASSERT_NE(port, nullptr);
    ASSERT_EQ(tcgetattr(box.Line(), &line), 0);
    EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B9600));
    EXPECT_EQ(line.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), static_cast<tcflag_t>(CS8));
    EXPECT_EQ(line.c_iflag & (IXON | IXOFF | ICRNL | ISTRIP), 0u);
    EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(OpenSerialPort(box.Path().c_str()), nullptr) << "nobody else gets the port";

    const uint8_t bytes[] = {0x0A, 0x0D, 0x11, 0x13, 0x00, 0xFF};
    uint8_t buffer[8];
    EXPECT_EQ(WriteSerialPort(port, bytes, 6), 6);
    EXPECT_EQ(ReadSerialPort(port, buffer, 8), 0) << "reads never wait";
    ASSERT_TRUE(box.WaitForReceived(6, 1000));
    EXPECT_EQ(box.Received(), Bytes(bytes, bytes + 6));
    box.SendNow({1, 2, 3});
    int total = 0;
    for (int tries = 0; tries < 500 && total < 3; ++tries, usleep(1000))
        total += ReadSerialPort(port, buffer + total, 8 - total);
    EXPECT_EQ(Bytes(buffer, buffer + total), (Bytes{1, 2, 3}));

    ASSERT_EQ(SetLineSettings(port, 19200, 'e', 7, 2), 0);
    ASSERT_EQ(tcgetattr(box.Line(), &line), 0);
    EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B19200)); // a pseudo-terminal keeps CS8, no parity
    EXPECT_EQ(line.c_cflag & CSTOPB, static_cast<tcflag_t>(CSTOPB));
    const termios accepted = line;
    for (auto [baud, parity, bits, stops] : {std::tuple{12345, 'N', 8, 1}, std::tuple{9600, 'X', 8, 1},
                                            std::tuple{9600, 'N', 4, 1}, std::tuple{9600, 'N', 8, 3}})
    {
        EXPECT_EQ(SetLineSettings(port, baud, parity, bits, stops), 0) << baud << parity << bits << stops;
        ASSERT_EQ(tcgetattr(box.Line(), &line), 0);
        EXPECT_EQ(line.c_cflag, accepted.c_cflag) << "values outside the accepted ones change nothing";
    }
    EXPECT_NE(SetLineSettings(port, 14400, 'N', 8, 1), 0) << "accepted, but the system has no such rate";

    PurgeSerialPort(port);
    CloseSerialPort(port);
    int exclusive = 1;
    ASSERT_EQ(ioctl(box.Line(), TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0) << "exclusive mode cleared: others may open it again";
    ASSERT_EQ(tcgetattr(box.Line(), &line), 0);
    EXPECT_EQ(line.c_cflag, before.c_cflag);
    EXPECT_EQ(OpenSerialPort(""), nullptr);

    char list[PORT_LIST_SIZE];
    const int count = ListSerialPorts(list, PORT_LIST_SIZE); // whatever the system has, NUL-ended inside
    int used = 0;
    for (int i = 0; i < count && used < PORT_LIST_SIZE; ++i)
        used += static_cast<int>(strnlen(list + used, static_cast<size_t>(PORT_LIST_SIZE - used))) + 1;
    EXPECT_LE(used, PORT_LIST_SIZE);
    EXPECT_LE(ListSerialPorts(list, 0), 0);
}

} // namespace
