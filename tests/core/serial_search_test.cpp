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
#include <memory>
#include <termios.h>
#include <tuple>
#include <unistd.h>

namespace {

using Bytes = PanelSimulator::Bytes;
using Lines = std::vector<std::string>;

const Bytes kProbe = {0x53, 0x02, 0xEA, 0x0A};

struct Search : testing::Test
{
    LogRecorder log;
    PanelSimulator first;
    PanelSimulator second;
    PanelComm comm{std::make_unique<FakeDdcBus>()};

    void SetUp() override
    {
        ASSERT_TRUE(first.Start());
        ASSERT_TRUE(second.Start());
        second.SetPanelInfo({0x10, 0x20, 0x30, 0x40});
    }
};

TEST_F(Search, NoPortsAtAllOnlyWarns)
{
    comm.SetPortLister(PortListOf({}));
    EXPECT_EQ(FindSerialPanel(comm), COMM_IO_ERROR);
    EXPECT_EQ(log.Lines(), (Lines{"Warning: unable to find Aulavox control panel"}));
    EXPECT_FALSE(comm.IsSerialOpen());

    // A system without a port list behaves the same.
    log.Clear();
    comm.SetPortLister([](char*, int) { return -1; });
    EXPECT_EQ(FindSerialPanel(comm), COMM_IO_ERROR);
    EXPECT_EQ(log.Lines(), (Lines{"Warning: unable to find Aulavox control panel"}));
}

TEST_F(Search, PortsThatCannotBeOpenedAreSkipped)
{
    TempDir dir;
    ASSERT_TRUE(WriteWholeFile(dir.File("plain"), "not a terminal"));
    comm.SetPortLister(PortListOf({"/nonexistent/ttyUSB9", dir.File("plain"), second.Path()}));
    ASSERT_EQ(FindSerialPanel(comm), COMM_OK) << log.Text();
    EXPECT_STREQ(comm.GetPortPath(), second.Path().c_str());
    EXPECT_TRUE(comm.IsSerialOpen());
    EXPECT_EQ(comm.GetPanelInfo()[3], 0x40u);
    const Lines expectedStart = {
        "Debug3: trying to open comm port /nonexistent/ttyUSB9",
        "Debug3: unable to open comm port /nonexistent/ttyUSB9",
        "Debug3: trying to open comm port " + dir.File("plain"),
        "Debug3: unable to open comm port " + dir.File("plain"),
        "Debug3: trying to open comm port " + second.Path(),
        "Debug2: opened comm port " + second.Path(),
        "Debug3: uart tx: 53 02 EA 0A",
    };
    ASSERT_GE(log.Lines().size(), expectedStart.size() + 1) << log.Text();
    EXPECT_EQ(Lines(log.Lines().begin(), log.Lines().begin() + 7), expectedStart);
    EXPECT_EQ(log.Lines()[7].rfind("Debug3: uart rx: 56 06 10 20 30 40 ", 0), 0u) << log.Text();
    EXPECT_EQ(second.Received(), kProbe);
}

TEST_F(Search, APathLongerThanThePortPathIsNotTriedCutShort)
{
    TempDir dir;
    std::string longPath = dir.Path() + "/";
    longPath += std::string(longPath.size() < 70 ? 70 - longPath.size() : 1, 'p');
    ASSERT_GE(longPath.size(), 64u);
    ASSERT_LT(longPath.size(), 128u); // it still fits the port list
    ASSERT_EQ(symlink(first.Path().c_str(), longPath.c_str()), 0);
    comm.SetPortLister(PortListOf({longPath}));
    EXPECT_EQ(FindSerialPanel(comm), COMM_IO_ERROR);
    EXPECT_EQ(log.Lines(), (Lines{"Debug3: unable to open comm port " + longPath,
                                  "Warning: unable to find Aulavox control panel"}));
    EXPECT_TRUE(first.Received().empty());
}

TEST_F(Search, WrongAnswersCloseThePortAndTheNextOneIsTried)
{
    Bytes goodAnswer = PanelSimulator::MakePacket('V', {1, 2, 3, 4});
    Bytes badCrc = goodAnswer;
    badCrc[7] ^= 0x01;
    Bytes nine = goodAnswer;
    nine.push_back(0x00);
    const struct
    {
        Bytes answer;
        std::string message;
    } cases[] = {
        {nine, "expected cnt = 8, received cnt = 9"},
        {PanelSimulator::MakePacket('S', {1, 2, 3, 4}), "expected cmd = 'V', received cmd = 'S'"},
        {{'V', 5, 1, 2, 3, 4, 5, 6}, "expected len = 6, received len = '5'"},
        {badCrc, "crc error, expected " + [&] {
             char hex[8];
             snprintf(hex, sizeof(hex), "%02X%02X", goodAnswer[6], goodAnswer[7]);
             return std::string(hex);
         }()},
    };
    comm.SetPortLister(PortListOf({first.Path(), second.Path()}));
    for (const auto& c : cases)
    {
        log.Clear();
        first.ClearReceived();
        first.QueueBytes(c.answer);
        ASSERT_EQ(FindSerialPanel(comm), COMM_OK) << log.Text();
        EXPECT_STREQ(comm.GetPortPath(), second.Path().c_str()) << c.message;
        EXPECT_TRUE(log.Contains("Debug2: " + c.message)) << log.Text();
        EXPECT_TRUE(log.Contains("Debug2: closed comm port " + first.Path())) << log.Text();
        EXPECT_EQ(first.RequestCount(), 1u) << c.message; // an answer ends the polls: no retry
        // The rejected port was really closed.
        SerialPort* reopened = OpenSerialPort(first.Path().c_str());
        EXPECT_NE(reopened, nullptr);
        CloseSerialPort(reopened);
    }
}

TEST_F(Search, SilentPortIsProbedTwiceAndAFoundPanelEndsTheSearch)
{
    first.QueueSilence();
    first.QueueSilence();
    comm.SetPortLister(PortListOf({first.Path(), second.Path()}));
    ASSERT_EQ(FindSerialPanel(comm), COMM_OK);
    EXPECT_EQ(first.Requests(), (std::vector<Bytes>{kProbe, kProbe}));
    EXPECT_TRUE(log.Contains("Debug2: expected cnt = 8, received cnt = 0")) << log.Text();

    // A new search starts by closing the link; the first box now answers.
    log.Clear();
    ASSERT_EQ(FindSerialPanel(comm), COMM_OK);
    EXPECT_STREQ(comm.GetPortPath(), first.Path().c_str());
    EXPECT_EQ(log.Lines().front(), "Debug2: closed comm port " + second.Path());
    EXPECT_EQ(second.RequestCount(), 1u);
}

TEST_F(Search, ConnectFallsBackToI2CWhenNoPortAnswers)
{
    auto fake = std::make_unique<FakeDdcBus>();
    FakeDdcBus* bus = fake.get();
    bus->QueueRead(PanelSimulator::MakePacket('S', {5, 6, 7, 8}));
    PanelComm link(std::move(fake));
    first.QueueBytes({0x15});
    first.QueueBytes({0x15});
    link.SetPortLister(PortListOf({first.Path()}));
    ASSERT_EQ(link.Connect(), COMM_OK) << log.Text();
    EXPECT_TRUE(link.IsConnected());
    EXPECT_FALSE(link.IsSerialOpen());
    EXPECT_EQ(link.GetI2CDevice(), 3);
    EXPECT_EQ(link.GetPanelInfo()[0], 5u);
    EXPECT_TRUE(log.Contains("Warning: unable to find Aulavox control panel")) << log.Text();
    EXPECT_EQ(first.RequestCount(), 2u); // NAK: probed once more
}

TEST_F(Search, ConnectFailsWhenNeitherLinkFindsAPanel)
{
    auto fake = std::make_unique<FakeDdcBus>();
    fake->initResult = ENOENT;
    PanelComm link(std::move(fake));
    link.SetPortLister(PortListOf({}));
    EXPECT_EQ(link.Connect(), COMM_IO_ERROR);
    EXPECT_FALSE(link.IsConnected());
    EXPECT_TRUE(log.Contains("Error: Initialized of I2C driver failed, code 2")) << log.Text();
}

TEST(SerialPortLayer, OpensRawExclusiveAndPutsTheSettingsBack)
{
    PanelSimulator box;
    ASSERT_TRUE(box.Start());
    termios before{};
    ASSERT_TRUE(box.GetLineSettings(&before));

    SerialPort* port = OpenSerialPort(box.Path().c_str());
    ASSERT_NE(port, nullptr);
    EXPECT_STREQ(SerialPortPath(port), box.Path().c_str());
    termios line{};
    ASSERT_TRUE(box.GetLineSettings(&line));
    EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B9600));
    EXPECT_EQ(line.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(line.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(line.c_iflag & (IXON | IXOFF | ICRNL | ISTRIP), 0u);
    EXPECT_EQ(line.c_oflag & OPOST, 0u);
    EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG), 0u);

    // Nobody else gets the port while it is open.
    EXPECT_TRUE(box.IsExclusive());
    SerialPort* second = OpenSerialPort(box.Path().c_str());
    EXPECT_EQ(second, nullptr);
    CloseSerialPort(second);

    // Bytes written arrive whole; reads never wait.
    const uint8_t bytes[] = {0x0A, 0x0D, 0x11, 0x13, 0x00, 0xFF};
    EXPECT_EQ(WriteSerialPort(port, bytes, 6), 6);
    uint8_t buffer[8];
    EXPECT_EQ(ReadSerialPort(port, buffer, 8), 0);
    ASSERT_TRUE(box.WaitForReceived(6, 1000));

    ASSERT_EQ(SetLineSettings(port, 19200, 'e', 7, 2), 0);
    ASSERT_TRUE(box.GetLineSettings(&line));
    EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B19200));
    // A pseudo-terminal keeps 8 data bits and no parity whatever is asked;
    // the stop bits and the rate show that the settings were applied.
    EXPECT_EQ(line.c_cflag & CSTOPB, static_cast<tcflag_t>(CSTOPB));

    // Values outside the accepted ones change nothing and are not an error.
    const termios accepted = line;
    for (auto [baud, parity, bits, stops] :
         {std::tuple{12345, 'N', 8, 1}, std::tuple{9600, 'X', 8, 1}, std::tuple{9600, 'N', 4, 1},
          std::tuple{9600, 'N', 9, 1}, std::tuple{9600, 'N', 8, 3}, std::tuple{9600, '\0', 8, 1}})
    {
        EXPECT_EQ(SetLineSettings(port, baud, parity, bits, stops), 0) << baud << parity << bits << stops;
        ASSERT_TRUE(box.GetLineSettings(&line));
        EXPECT_EQ(line.c_cflag, accepted.c_cflag);
        EXPECT_EQ(cfgetospeed(&line), cfgetospeed(&accepted));
    }
    // An accepted rate the system has no setting for is refused by it.
    EXPECT_NE(SetLineSettings(port, 14400, 'N', 8, 1), 0);
    EXPECT_EQ(SetLineSettings(port, 9600, 'o', 8, 1), 0);

    CloseSerialPort(port);
    EXPECT_FALSE(box.IsExclusive()); // others may open it again
    termios after{};
    ASSERT_TRUE(box.GetLineSettings(&after));
    EXPECT_EQ(after.c_cflag, before.c_cflag);
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_EQ(box.Received(), Bytes(bytes, bytes + 6));
}

TEST(SerialPortLayer, ReadTakesOnlyWhatIsQueuedAndAtMostTheMaximum)
{
    PanelSimulator box;
    ASSERT_TRUE(box.Start());
    SerialPort* port = OpenSerialPort(box.Path().c_str());
    ASSERT_NE(port, nullptr);
    box.SendNow({1, 2, 3, 4, 5});
    uint8_t buffer[8] = {};
    int total = 0;
    for (int tries = 0; tries < 200 && total < 3; ++tries)
    {
        const int n = ReadSerialPort(port, buffer + total, 3 - total);
        ASSERT_GE(n, 0);
        total += n;
        if (n == 0)
            usleep(1000);
    }
    EXPECT_EQ(total, 3);
    EXPECT_EQ(ReadSerialPort(port, buffer + 3, 8 - 3), 2);
    EXPECT_EQ(Bytes(buffer, buffer + 5), (Bytes{1, 2, 3, 4, 5}));
    PurgeSerialPort(port);
    EXPECT_EQ(ReadSerialPort(port, buffer, 8), 0);
    CloseSerialPort(port);
    EXPECT_EQ(OpenSerialPort(""), nullptr);
    EXPECT_EQ(OpenSerialPort(nullptr), nullptr);
    CloseSerialPort(nullptr);
}

TEST(SerialPortList, SystemListIsReadIntoTheBufferWithoutOverflow)
{
    char buffer[PORT_LIST_SIZE];
    memset(buffer, 0x7F, sizeof(buffer));
    const int count = ListSerialPorts(buffer, PORT_LIST_SIZE);
    ASSERT_GE(count, -1);
    // Every listed name is NUL-ended inside the buffer.
    const char* name = buffer;
    for (int i = 0; i < count; ++i)
    {
        const size_t left = static_cast<size_t>(buffer + PORT_LIST_SIZE - name);
        const size_t length = strnlen(name, left);
        ASSERT_LT(length, left);
        name += length + 1;
    }
    // A buffer too small for any name gets none.
    char tiny[1];
    EXPECT_LE(ListSerialPorts(tiny, 0), 0);
}

} // namespace
