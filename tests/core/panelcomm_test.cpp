// PanelComm over a pseudo-terminal with a simulated control box on the
// other end: the bytes on the wire, the answers and the log lines.

#include "comm/panelcomm.h"
#include "comm/serialport.h"

#include "support/core/fake_ddc_bus.h"
#include "support/core/log_recorder.h"
#include "support/core/panel_simulator.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using Bytes = PanelSimulator::Bytes;

// Polls for answers that must come: the transport stops at the answer, so a
// loaded machine that delivers it late does not fail the test.
constexpr int kPatient = 10;

struct SerialLink : testing::Test
{
    LogRecorder log;
    PanelSimulator box;
    std::unique_ptr<PanelComm> comm = std::make_unique<PanelComm>(MissingDdcBus());

    void SetUp() override
    {
        ASSERT_TRUE(box.Start());
        comm->SetPortLister(PortListOf({box.Path()}));
        box.SetPanelInfo({9, 8, 7, 6});
        CommResult connected = comm->Connect(); // the probe has a fixed window: allow retries
        for (int retry = 0; retry < 2 && connected != COMM_OK; ++retry)
            connected = comm->Connect();
        ASSERT_EQ(connected, COMM_OK) << log.Text();
        box.ClearReceived();
        log.Clear();
    }

    CommResult Status(uint8_t* status, int polls = POLL_STATUS_COUNT)
    {
        return comm->GetStatus(status, POLL_STATUS_MS, polls);
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
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(box.Received().empty());
}

TEST_F(SerialLink, EachCommandSendsItsPacketAndTheAnswerDecides)
{
    EXPECT_EQ(comm->GetPanelInfo()[0], 9u);
    EXPECT_EQ(comm->GetPanelInfo()[3], 6u);
    EXPECT_EQ(comm->SetPower(1, POLL_COMMAND_MS, kPatient), COMM_OK) << log.Text();
    EXPECT_EQ(box.Received(), (Bytes{0x41, 0x03, 0x01, 0x8F, 0x11}));
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{"Debug3: uart tx: 41 03 01 8F 11", "Debug3: uart rx: 06"}));

    using Setter = CommResult (PanelComm::*)(uint8_t, int, int);
    const struct
    {
        Setter setter;
        uint8_t value, letter;
        std::vector<Bytes> answers;
        CommResult result;
        size_t requests;
        const char* line;
    } rows[] = {
        {&PanelComm::SetSource, 3, 'J', {}, COMM_OK, 1, ""},
        {&PanelComm::SetBlank, 1, 'H', {}, COMM_OK, 1, ""},
        {&PanelComm::SetVolume, 32, 'E', {}, COMM_OK, 1, ""},
        {&PanelComm::SetMicLevel, 3, 'D', {}, COMM_OK, 1, ""},
        {&PanelComm::SetMute, 1, 'G', {{0x15}, {0x15}}, COMM_NAK, 2, "Warning: device returned NAK"},
        {&PanelComm::SetMute, 0, 'G', {{0x15}}, COMM_OK, 2, ""},
        {&PanelComm::SetBlank, 1, 'H', {{0x41}}, COMM_MALFORMED, 1, "Warning: expected ACK/NAK received 0x41"},
        {&PanelComm::SetBlank, 0, 'H', {{0xFF, 0x06}}, COMM_MALFORMED, 1, "Warning: expected ACK/NAK received 0xFF"},
        {&PanelComm::SetVolume, 10, 'E', {{}, {}}, COMM_NO_DATA, 2, "Warning: device did not return any data"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(std::string(1, char(row.letter)) + " " + row.line);
        box.ClearReceived();
        for (const Bytes& answer : row.answers)
            box.QueueBytes(answer);
        const int polls = row.result == COMM_NO_DATA ? POLL_COMMAND_COUNT : kPatient;
        EXPECT_EQ(((*comm).*row.setter)(row.value, POLL_COMMAND_MS, polls), row.result);
        EXPECT_EQ(box.Requests(), std::vector<Bytes>(row.requests, PanelSimulator::MakePacket(row.letter, {row.value})));
        EXPECT_TRUE(*row.line == 0 || log.Contains(row.line)) << log.Text();
    }
    // Programming commands carry their whole payload (baud rate MSB first).
    const uint8_t baud[4] = {0x00, 0x00, 0x25, 0x80};
    box.ClearReceived();
    EXPECT_EQ(comm->SendCommand(SERIAL_BAUD, baud, 4, nullptr, 0, POLL_BAUD_MS, POLL_BAUD_COUNT), COMM_OK);
    EXPECT_EQ(box.Received(), PanelSimulator::MakePacket('B', {0x00, 0x00, 0x25, 0x80}));
}

TEST_F(SerialLink, ALateAnswerIsPurgedBeforeTheNextCommand)
{
    // Both attempts have polled after about 90 ms; the ACK comes at 300 ms.
    const auto start = std::chrono::steady_clock::now();
    box.QueueAck(300);
    box.QueueSilence();
    EXPECT_EQ(comm->SetPower(2, POLL_COMMAND_MS, POLL_COMMAND_COUNT), COMM_NO_DATA);
    std::this_thread::sleep_until(start + std::chrono::milliseconds(350));
    box.QueueNak();
    box.QueueNak();
    EXPECT_EQ(comm->SetPower(2, POLL_COMMAND_MS, POLL_COMMAND_COUNT), COMM_NAK) << log.Text();
}

TEST_F(SerialLink, StatusRepliesAreCheckedAndNeverOverread)
{
    box.SetStatus({1, 2, 20, 0, 1, 3});
    uint8_t status[6] = {};
    EXPECT_EQ(Status(status, kPatient), 6) << log.Text();
    EXPECT_EQ(Bytes(status, status + 6), (Bytes{1, 2, 20, 0, 1, 3}));
    EXPECT_EQ(box.Received(), (Bytes{0x51, 0x02, 0x66, 0x09}));

    Bytes stray = PanelSimulator::MakePacket('Q', {4, 3, 2, 1}); // only the payload counts
    stray.insert(stray.end(), {0xEE, 0xEE});
    Bytes wrongCrc = PanelSimulator::MakePacket('Q', {7, 7, 7, 7, 7, 7});
    wrongCrc.back() ^= 1;
    const struct
    {
        std::vector<Bytes> answers;
        CommResult result;
        Bytes status;
        const char* line;
    } rows[] = {
        {{wrongCrc}, 6, {1, 2, 20, 0, 1, 3}, ""}, // asked again, the good reply taken
        {{stray}, 4, {4, 3, 2, 1, 1, 3}, ""},
        {{wrongCrc, wrongCrc}, COMM_BAD_CRC, {4, 3, 2, 1, 1, 3}, "Warning: corrupted packet, CRC did not match"},
        {{{0x51, 0x08, 1, 2}}, COMM_MALFORMED, {4, 3, 2, 1, 1, 3}, "Warning: malformed packet, length was only 4"},
        {{{0x51, 9, 1, 2, 3, 4, 5, 6, 7, 8}}, COMM_MALFORMED, {4, 3, 2, 1, 1, 3}, "Warning: malformed packet, length was only 10"},
        {{{0x51, 200, 1, 2, 3, 4, 5, 6, 7, 8}}, COMM_MALFORMED, {4, 3, 2, 1, 1, 3}, "Warning: malformed packet, length was only 10"},
        {{{0x51, 1, 1, 2, 3, 4, 5, 6, 7, 8}}, COMM_MALFORMED, {4, 3, 2, 1, 1, 3}, "Warning: malformed packet, length was only 10"},
        {{{0xFF, 0xFE, 0xFD}}, COMM_MALFORMED, {4, 3, 2, 1, 1, 3}, "Warning: malformed packet, length was only 3"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.line);
        log.Clear();
        box.ClearReceived();
        for (const Bytes& answer : row.answers)
            box.QueueBytes(answer);
        EXPECT_EQ(Status(status, row.result >= 0 ? kPatient : POLL_STATUS_COUNT), row.result);
        EXPECT_EQ(Bytes(status, status + 6), row.status);
        EXPECT_TRUE(*row.line == 0 || log.Contains(row.line)) << log.Text();
    }
}

TEST_F(SerialLink, ReadOnlyExchangesReadAtMostTheLongestPacket)
{
    std::vector<uint8_t> reply(1000, 0);
    EXPECT_EQ(comm->SendCommand(NO_CMD, nullptr, 0, reply.data(), 16, POLL_STATUS_MS, 2), COMM_NO_DATA);
    box.SendNow(PanelSimulator::MakePacket('P', Bytes(253, 0x5A)));
    EXPECT_EQ(comm->SendCommand(NO_CMD, nullptr, 0, reply.data(), 1000, POLL_STATUS_MS, kPatient), 253) << log.Text();
    EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 253), Bytes(253, 0x5A));
    EXPECT_EQ(reply[253], 0);
    EXPECT_TRUE(box.Received().empty());
}

TEST_F(SerialLink, PayloadsTheLengthByteCannotCarryAreRefused)
{
    std::vector<uint8_t> payload(254, 'x');
    EXPECT_EQ(comm->SendCommand(SERIAL_PASSTHROUGH, payload.data(), 254, nullptr, 0, POLL_COMMAND_MS, 1), COMM_MALFORMED);
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{"Error: payload of 254 bytes is too long, at most 253 bytes can be sent"}));
    // The longest payload goes out whole: length byte 255, 257 bytes; the trace stops at 85 bytes.
    EXPECT_EQ(comm->SendCommand(SERIAL_PASSTHROUGH, payload.data(), 253, nullptr, 0, POLL_COMMAND_MS, kPatient), COMM_OK);
    EXPECT_EQ(box.Requests(), std::vector<Bytes>{PanelSimulator::MakePacket('P', Bytes(253, 'x'))});
    std::string trace = "Debug3: uart tx: 50 FF";
    for (int i = 0; i < 83; ++i)
        trace += " 78";
    EXPECT_TRUE(log.Contains(trace)) << log.Text();
}

TEST_F(SerialLink, DisconnectFreesThePortAndAHungUpLineIsAnIoError)
{
    EXPECT_EQ(OpenSerialPort(box.Path().c_str()), nullptr) << "ours alone while the link is up";
    comm->Disconnect();
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{"Debug2: closed comm port " + box.Path()}));
    SerialPort* again = OpenSerialPort(box.Path().c_str());
    EXPECT_NE(again, nullptr);
    CloseSerialPort(again);

    ASSERT_EQ(comm->Connect(), COMM_OK);
    box.Stop();
    EXPECT_EQ(comm->SetPower(1, POLL_COMMAND_MS, POLL_COMMAND_COUNT), COMM_IO_ERROR);
    EXPECT_TRUE(log.Contains("Error: I/O error occured while writing serial port")) << log.Text();
}

} // namespace
