// The link over pseudo-terminals with simulated control boxes on the other
// end: the bytes on the wire, the answers, the search and the port layer.

#include "comm/panelcomm.h"
#include "comm/serialport.h"
#include "comm/serialtransport.h"

#include "support/core/fake_ddc_bus.h"
#include "support/core/log_recorder.h"
#include "support/core/panel_simulator.h"
#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <tuple>
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
    std::unique_ptr<PanelComm> comm = std::make_unique<PanelComm>(MissingDdcBus());

    void SetUp() override
    {
        ASSERT_TRUE(box.Start());
        comm->SetPortLister(PortListOf({box.Path()}));
        ASSERT_TRUE(ConnectPatiently(*comm)) << log.Text();
        box.ClearReceived();
        log.Clear();
    }

    // Runs one exchange with these answers queued; the log holds its lines only.
    template <class Exchange>
    CommResult With(const std::vector<Bytes>& answers, Exchange exchange)
    {
        log.Clear();
        box.ClearReceived();
        for (const Bytes& answer : answers)
            box.QueueBytes(answer);
        return exchange();
    }
};

TEST(PanelCommOffline, NotConnectedFailsAndDemoSucceedsWithoutTouchingTheLine)
{
    LogRecorder log;
    PanelSimulator box;
    ASSERT_TRUE(box.Start());
    PanelComm comm(MissingDdcBus());
    comm.SetPortLister(PortListOf({box.Path()}));
    uint8_t status[6] = {0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6};
    EXPECT_EQ(comm.SetPower(1, POLL_COMMAND_MS, POLL_COMMAND_COUNT), COMM_IO_ERROR);
    EXPECT_STREQ(log.GetLastErrorText(), "not connected to control panel");
    comm.SetDemo(true);
    ASSERT_EQ(comm.Connect(), COMM_OK);
    EXPECT_FALSE(comm.IsSerialOpen());
    EXPECT_EQ(comm.GetStatus(status, POLL_STATUS_MS, POLL_STATUS_COUNT), COMM_OK);
    EXPECT_EQ(comm.SendCommand(SERIAL_BAUD, status, 4, nullptr, 0, POLL_COMMAND_MS, 1), COMM_OK);
    EXPECT_EQ(Bytes(status, status + 6), (Bytes{0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6}));
    comm.Disconnect();
    EXPECT_EQ(comm.SetPower(1, POLL_COMMAND_MS, POLL_COMMAND_COUNT), COMM_IO_ERROR);
    EXPECT_TRUE(box.Received().empty());
}

// The same link over the I2C bus as well: answers are queued bytes on the
// serial line, scripted reads on the bus.
struct Link : SerialLink
{
    FakeDdcBus* bus = new FakeDdcBus;
    PanelComm i2c{std::unique_ptr<DdcBus>(bus)};

    void SetUp() override
    {
        SerialLink::SetUp();
        i2c.SetPortLister(PortListOf({}));
        bus->QueueRead(Packet('S', {1, 2, 3, 4}));
        ASSERT_EQ(i2c.Connect(), COMM_OK) << log.Text();
        log.Clear();
    }

    // Whether a line of the log ends so (the traces differ in their prefix only).
    bool Logged(const std::string& end) const
    {
        for (const std::string& line : log.Lines())
            if (line.size() >= end.size() && line.compare(line.size() - end.size(), end.size(), end) == 0)
                return true;
        return end.empty();
    }
};

TEST_F(Link, EachExchangeSendsItsPacketAndTheAnswerDecides)
{
    EXPECT_EQ(comm->GetPanelInfo()[0], 1u);
    EXPECT_EQ(comm->GetPanelInfo()[3], 4u);
    EXPECT_EQ(comm->SetPower(1, POLL_COMMAND_MS, kPatient), COMM_OK) << log.Text();
    EXPECT_EQ(box.Received(), (Bytes{0x41, 0x03, 0x01, 0x8F, 0x11}));
    EXPECT_EQ(log.Lines(), (Lines{"Debug3: uart tx: 41 03 01 8F 11", "Debug3: uart rx: 06"}));
    // Programming commands carry their whole payload (baud rate MSB first).
    const uint8_t baud[4] = {0x00, 0x00, 0x25, 0x80};
    box.ClearReceived();
    EXPECT_EQ(comm->SendCommand(SERIAL_BAUD, baud, 4, nullptr, 0, POLL_BAUD_MS, POLL_BAUD_COUNT), COMM_OK);
    EXPECT_EQ(box.Received(), Packet('B', {0x00, 0x00, 0x25, 0x80}));

    // Each row on the serial line (S), the I2C bus (I) or both (B); no setter: a status query.
    using Setter = CommResult (PanelComm::*)(uint8_t, int, int);
    const Bytes status = Packet('Q', {1, 2, 20, 0, 1, 3}), none(6, 0xEE);
    Bytes stray = Packet('Q', {4, 3, 2, 1}), wrongCrc = Packet('Q', {7, 7, 7, 7, 7, 7});
    stray.insert(stray.end(), {0xEE, 0xEE});
    wrongCrc.back() ^= 1;
    const struct
    {
        char where;
        Setter setter;
        uint8_t value, letter;
        std::vector<FakeDdcBus::Read> answers;
        CommResult result;
        size_t sent; // at least, on the serial line: a late answer on a busy machine may add a resend
        std::string line;
        Bytes reply;
    } rows[] = {
        {'B', &PanelComm::SetPower, 1, 'A', {{0, {0x06}}}, COMM_OK, 1, " tx: 41 03 01 8F 11", {}},
        {'S', &PanelComm::SetSource, 3, 'J', {}, COMM_OK, 1, "", {}},
        {'S', &PanelComm::SetBlank, 1, 'H', {}, COMM_OK, 1, "", {}},
        {'S', &PanelComm::SetVolume, 32, 'E', {}, COMM_OK, 1, "", {}},
        {'S', &PanelComm::SetMicLevel, 3, 'D', {}, COMM_OK, 1, "", {}},
        {'B', &PanelComm::SetMute, 1, 'G', {{0, {0x15}}, {0, {0x15}}}, COMM_NAK, 2, "Warning: device returned NAK", {}},
        {'B', &PanelComm::SetMute, 0, 'G', {{0, {0x15}}, {0, {0x06}}}, COMM_OK, 2, "", {}},
        {'B', &PanelComm::SetBlank, 1, 'H', {{0, {0x41}}}, COMM_MALFORMED, 1, "Warning: expected ACK/NAK received 0x41", {}},
        {'S', &PanelComm::SetBlank, 0, 'H', {{0, {0xFF, 0x06}}}, COMM_MALFORMED, 1, "Warning: expected ACK/NAK received 0xFF", {}},
        {'B', &PanelComm::SetVolume, 10, 'E', {{0, {}}, {0, {}}}, COMM_NO_DATA, 2, "Warning: device did not return any data", {}},
        {'I', &PanelComm::SetPower, 1, 'A', {{EIO, {}}}, COMM_IO_ERROR, 1, "Error: unable to read I2C, error code 5", {}},
        {'B', nullptr, 0, 'Q', {{0, status}}, 6, 1, " tx: 51 02 66 09", {1, 2, 20, 0, 1, 3}},
        {'B', nullptr, 0, 'Q', {{0, wrongCrc}, {0, status}}, 6, 2, "", {1, 2, 20, 0, 1, 3}}, // asked again
        {'S', nullptr, 0, 'Q', {{0, stray}}, 4, 1, "", {4, 3, 2, 1, 0xEE, 0xEE}}, // only the payload counts
        {'B', nullptr, 0, 'Q', {{0, wrongCrc}, {0, wrongCrc}}, COMM_BAD_CRC, 2, "Warning: corrupted packet, CRC did not match", none},
        {'S', nullptr, 0, 'Q', {{0, {0x51, 0x08, 1, 2}}}, COMM_MALFORMED, 1, "Warning: malformed packet, length was only 4", none},
        {'S', nullptr, 0, 'Q', {{0, {0x51, 9, 1, 2, 3, 4, 5, 6, 7, 8}}}, COMM_MALFORMED, 1, "Warning: malformed packet, length was only 10", none},
        {'S', nullptr, 0, 'Q', {{0, {0x51, 1, 1, 2, 3, 4, 5, 6, 7, 8}}}, COMM_MALFORMED, 1, "Warning: malformed packet, length was only 10", none},
        {'S', nullptr, 0, 'Q', {{0, {0xFF, 0xFE, 0xFD}}}, COMM_MALFORMED, 1, "Warning: malformed packet, length was only 3", none},
        {'I', nullptr, 0, 'Q', {{0, {'Q', 40, 1, 2, 3, 4, 5, 6, 7, 8}}}, COMM_MALFORMED, 1, "Warning: malformed packet, length was only 10", none},
    };
    for (const auto& row : rows)
        for (const bool overI2C : {false, true})
        {
            if (row.where != 'B' && row.where != (overI2C ? 'I' : 'S'))
                continue;
            SCOPED_TRACE(std::string(overI2C ? "i2c " : "serial ") + std::to_string(&row - rows) + " " + row.line);
            log.Clear();
            box.ClearReceived();
            bus->writes.clear();
            bus->reads.clear();
            for (const FakeDdcBus::Read& answer : row.answers)
                overI2C ? bus->reads.push_back(answer) : box.QueueBytes(answer.bytes);
            PanelComm& link = overI2C ? i2c : *comm;
            const int polls = overI2C || row.result == COMM_NO_DATA ? POLL_COMMAND_COUNT : kPatient;
            Bytes reply = none;
            const CommResult result = row.setter ? (link.*row.setter)(row.value, POLL_COMMAND_MS, polls)
                                                 : link.GetStatus(reply.data(), POLL_STATUS_MS, polls);
            EXPECT_EQ(result, row.result);
            EXPECT_TRUE(Logged(row.line)) << log.Text();
            EXPECT_EQ(reply, row.setter ? none : row.reply);
            const Bytes packet = row.setter ? Packet(row.letter, {row.value}) : Packet('Q');
            if (overI2C)
            {
                EXPECT_EQ(bus->writes.size(), row.sent);
                for (const auto& write : bus->writes)
                    EXPECT_EQ(write.bytes, packet);
                continue;
            }
            EXPECT_EQ(box.RequestsWithoutResends(), std::vector<Bytes>{packet});
            EXPECT_GE(box.RequestCount(), row.sent);
        }
    bus->writeResults.push_back(EIO);
    EXPECT_EQ(i2c.SetPower(1, POLL_COMMAND_MS, POLL_COMMAND_COUNT), COMM_IO_ERROR);
    EXPECT_TRUE(log.Contains("Error: unable to write I2C, error code 5")) << log.Text();
    EXPECT_TRUE(i2c.IsConnected());
}

TEST_F(SerialLink, ALateAnswerIsPurgedBeforeTheNextCommand)
{
    // Both attempts have polled after about 90 ms; the ACK comes at 300 ms.
    const auto start = std::chrono::steady_clock::now();
    box.QueueAck(300);
    box.QueueSilence();
    EXPECT_EQ(comm->SetPower(2, POLL_COMMAND_MS, POLL_COMMAND_COUNT), COMM_NO_DATA);
    std::this_thread::sleep_until(start + std::chrono::milliseconds(350));
    EXPECT_EQ(With({{0x15}, {0x15}}, [&] { return comm->SetPower(2, POLL_COMMAND_MS, POLL_COMMAND_COUNT); }),
              COMM_NAK) << log.Text();
}

TEST_F(SerialLink, ReadOnlyExchangesReadAtMostTheLongestPacket)
{
    std::vector<uint8_t> reply(1000, 0);
    EXPECT_EQ(comm->SendCommand(NO_CMD, nullptr, 0, reply.data(), 16, POLL_STATUS_MS, 2), COMM_NO_DATA);
    box.SendNow(Packet('P', Bytes(253, 0x5A)));
    EXPECT_EQ(comm->SendCommand(NO_CMD, nullptr, 0, reply.data(), 1000, POLL_STATUS_MS, kPatient), 253) << log.Text();
    EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 253), Bytes(253, 0x5A));
    EXPECT_EQ(reply[253], 0);
    EXPECT_TRUE(box.Received().empty());
}

TEST_F(SerialLink, PayloadsTheLengthByteCannotCarryAreRefused)
{
    std::vector<uint8_t> payload(254, 'x');
    EXPECT_EQ(comm->SendCommand(SERIAL_PASSTHROUGH, payload.data(), 254, nullptr, 0, POLL_COMMAND_MS, 1), COMM_MALFORMED);
    EXPECT_EQ(log.Lines(), (Lines{"Error: payload of 254 bytes is too long, at most 253 bytes can be sent"}));
    // The longest payload goes out whole: length byte 255, 257 bytes; the trace stops at 85 bytes.
    EXPECT_EQ(comm->SendCommand(SERIAL_PASSTHROUGH, payload.data(), 253, nullptr, 0, POLL_COMMAND_MS, kPatient), COMM_OK);
    EXPECT_EQ(box.RequestsWithoutResends(), std::vector<Bytes>{Packet('P', Bytes(253, 'x'))});
    std::string trace = "Debug3: uart tx: 50 FF";
    for (int i = 0; i < 83; ++i)
        trace += " 78";
    EXPECT_TRUE(log.Contains(trace)) << log.Text();
}

TEST(SerialSearch, WrongAnswersCloseThePortAndTheNextOneIsTried)
{
    LogRecorder log;
    PanelSimulator first, second;
    ASSERT_TRUE(first.Start());
    ASSERT_TRUE(second.Start());
    PanelComm comm(MissingDdcBus());
    Bytes nine = Packet('V', {1, 2, 3, 4});
    nine.push_back(0);
    const struct
    {
        std::vector<Bytes> answers;
        std::string message;
        size_t probes; // at least; a late answer on a busy machine may add one
    } rows[] = {
        {{nine}, "expected cnt = 8, received cnt = 9", 1},
        {{Packet('S', {1, 2, 3, 4})}, "expected cmd = 'V', received cmd = 'S'", 1},
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
        EXPECT_EQ(comm.GetPanelInfo()[3], 4u);
        EXPECT_TRUE(log.Contains("Debug2: " + row.message)) << log.Text();
        EXPECT_TRUE(log.Contains("Debug2: closed comm port " + first.Path())) << log.Text();
        EXPECT_GE(first.RequestCount(), row.probes);
    }
    // A new search starts by closing the link; the first box now answers.
    log.Clear();
    ASSERT_EQ(FindSerialPanel(comm), COMM_OK);
    EXPECT_STREQ(comm.GetPortPath(), first.Path().c_str());
    EXPECT_EQ(log.Lines().front(), "Debug2: closed comm port " + second.Path());
    EXPECT_TRUE(log.Contains("Debug3: uart tx: 53 02 EA 0A")) << log.Text();
    EXPECT_TRUE(log.Contains("Debug2: opened comm port " + first.Path())) << log.Text();
}

// When no box is found, the last Error line says why for each candidate:
// silent ports, one held by another opener, a path that is no device, a
// file that is no terminal, a path longer than a port path, no I2C driver,
// no port list.
TEST(SerialSearch, EveryCandidateSaysWhyItFailed)
{
    LogRecorder log;
    PanelSimulator silent, held, quiet;
    for (PanelSimulator* box : {&silent, &held, &quiet})
    {
        ASSERT_TRUE(box->Start());
        box->QueueSilence();
        box->QueueSilence();
    }
    SerialPort* other = OpenSerialPort(held.Path().c_str()); // another program's hold
    ASSERT_NE(other, nullptr);
    TempDir dir;
    ASSERT_TRUE(WriteWholeFile(dir.File("plain"), "not a terminal"));
    const std::string longPath = dir.Path() + "/" + std::string(70 - dir.Path().size(), 'p');
    ASSERT_EQ(symlink(silent.Path().c_str(), longPath.c_str()), 0);
    const std::string i2c = "I2C: the I2C driver failed, code 2";
    const struct
    {
        PanelComm::PortLister lister;
        std::string text;
        Lines traced;
    } rows[] = {
        {PortListOf({silent.Path(), held.Path(), quiet.Path(), "/nonexistent/ttyUSB7"}),
         silent.Path() + ", " + quiet.Path() + ": no control panel answered; " + held.Path() +
             ": busy (in use by another program); /nonexistent/ttyUSB7: no such device; " + i2c,
         {"Debug3: unable to open comm port " + held.Path()}},
        {PortListOf({dir.File("plain"), longPath}),
         dir.File("plain") + ": not a serial port; " + longPath + ": path too long; " + i2c,
         {"Debug3: trying to open comm port " + dir.File("plain"), "Debug3: unable to open comm port " + longPath}},
        {[](char*, int) { return -1; }, "serial ports: the system's list is unavailable; " + i2c, {}},
    };
    PanelComm comm(MissingDdcBus());
    for (const auto& row : rows)
    {
        log.Clear();
        comm.SetPortLister(row.lister);
        EXPECT_EQ(comm.Connect(), COMM_IO_ERROR);
        EXPECT_EQ(log.GetLastErrorText(), "no control panel found: " + row.text);
        // It comes after the searches' own lines, which stay as they are.
        const Lines lines = log.Lines();
        ASSERT_GE(lines.size(), 3u) << log.Text();
        EXPECT_EQ(lines[lines.size() - 2], "Error: Initialized of I2C driver failed, code 2");
        for (const std::string& line : row.traced)
            EXPECT_TRUE(log.Contains(line)) << line << "\n" << log.Text();
        EXPECT_TRUE(log.Contains("Warning: unable to find Aulavox control panel")) << log.Text();
    }
    CloseSerialPort(other);
}

// A pseudo-terminal whose output has been stopped (as by XOFF): the probe's
// request cannot be written, so its exchange fails and is traced with -5.
TEST(SerialSearch, FailedExchangeIsTracedWithItsCount)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const std::string path = ptsname(master);
    const int slave = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(slave, 0);
    ASSERT_EQ(tcflow(slave, TCOOFF), 0);
    LogRecorder log;
    PanelComm comm(MissingDdcBus());
    comm.SetPortLister(PortListOf({path}));
    EXPECT_EQ(FindSerialPanel(comm), COMM_IO_ERROR);
    close(slave);
    close(master);
    ASSERT_TRUE(log.Contains("Error: I/O error occured while writing serial port")) << log.Text();
    EXPECT_TRUE(log.Contains("Debug2: expected cnt = 8, received cnt = -5")) << log.Text();
    EXPECT_TRUE(log.Contains("Debug2: closed comm port " + path)) << log.Text();
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
    EXPECT_GE(ListSerialPorts(list, PORT_LIST_SIZE), 0); // whatever the system has
    EXPECT_LE(ListSerialPorts(list, 0), 0);
}

} // namespace
