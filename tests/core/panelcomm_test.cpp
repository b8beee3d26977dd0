// PanelComm over a pseudo-terminal with a simulated control box on the
// other end: the bytes on the wire, the answers and the log lines.

#include "comm/panelcomm.h"
#include "comm/serialport.h"

#include "support/core/fake_ddc_bus.h"
#include "support/core/log_recorder.h"
#include "support/core/panel_simulator.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <memory>
#include <thread>

namespace {

using Bytes = PanelSimulator::Bytes;

// For answers that are expected to come: the transport stops polling at the
// answer, so more polls cost nothing, and a loaded machine that delivers the
// box's answer late does not fail the test.
constexpr int kPatient = 10;

class SerialLink : public testing::Test
{
protected:
    LogRecorder log;
    PanelSimulator box;
    FakeDdcBus* bus = nullptr;
    std::unique_ptr<PanelComm> comm;

    void SetUp() override
    {
        ASSERT_TRUE(box.Start());
        auto fake = std::make_unique<FakeDdcBus>();
        fake->initResult = ENOENT; // no I2C here: a failed serial search ends the connect
        bus = fake.get();
        comm = std::make_unique<PanelComm>(std::move(fake));
        comm->SetPortLister(PortListOf({box.Path()}));
        box.SetPanelInfo({9, 8, 7, 6});
        // The probe has a fixed window; on a loaded machine allow a retry.
        CommResult connected = comm->Connect();
        for (int retry = 0; retry < 2 && connected != COMM_OK; ++retry)
            connected = comm->Connect();
        ASSERT_EQ(connected, COMM_OK) << log.Text();
        box.ClearReceived();
        log.Clear();
    }

    std::string Line(const char* level, const std::string& message) { return std::string(level) + ": " + message; }
};

TEST(PanelCommNoLink, CommandsBeforeConnectFailWithoutTouchingTheLine)
{
    LogRecorder log;
    PanelSimulator box;
    ASSERT_TRUE(box.Start());
    PanelComm comm(std::make_unique<FakeDdcBus>());
    comm.SetPortLister(PortListOf({box.Path()}));

    EXPECT_FALSE(comm.IsConnected());
    EXPECT_EQ(comm.SetPower(1, POLL_COMMAND_MS, POLL_COMMAND_COUNT), COMM_IO_ERROR);
    uint8_t status[6] = {};
    EXPECT_EQ(comm.GetStatus(status, POLL_STATUS_MS, POLL_STATUS_COUNT), COMM_IO_ERROR);
    EXPECT_EQ(log.Count("Error: not connected to control panel"), 2) << log.Text();
    EXPECT_STREQ(log.GetLastErrorText(), "not connected to control panel");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(box.Received().empty());
}

TEST(PanelCommDemo, EverythingSucceedsWithoutIo)
{
    LogRecorder log;
    PanelSimulator box;
    ASSERT_TRUE(box.Start());
    auto fake = std::make_unique<FakeDdcBus>();
    FakeDdcBus* bus = fake.get();
    PanelComm comm(std::move(fake));
    comm.SetPortLister(PortListOf({box.Path()}));

    comm.SetDemo(true);
    EXPECT_TRUE(comm.IsDemo());
    ASSERT_EQ(comm.Connect(), COMM_OK);
    EXPECT_TRUE(comm.IsConnected());
    EXPECT_FALSE(comm.IsSerialOpen());
    EXPECT_EQ(comm.GetI2CDevice(), -1);

    uint8_t status[6] = {0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6};
    EXPECT_EQ(comm.GetStatus(status, POLL_STATUS_MS, POLL_STATUS_COUNT), COMM_OK);
    EXPECT_EQ(Bytes(status, status + 6), (Bytes{0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6}));
    for (int cmd = NO_CMD; cmd < SERIAL_LAST; ++cmd)
    {
        const uint8_t payload[4] = {0, 0, 0x25, 0x80};
        EXPECT_EQ(comm.SendCommand(cmd, payload, 4, nullptr, 0, POLL_COMMAND_MS, POLL_COMMAND_COUNT), COMM_OK);
    }
    EXPECT_EQ(comm.SetPower(1, POLL_COMMAND_MS, POLL_COMMAND_COUNT), COMM_OK);

    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(box.Received().empty());
    EXPECT_EQ(bus->initCalls, 0);
    EXPECT_TRUE(bus->writes.empty());
    EXPECT_TRUE(log.Lines().empty()) << log.Text();

    comm.Disconnect();
    EXPECT_FALSE(comm.IsConnected());
    EXPECT_EQ(comm.SetPower(1, POLL_COMMAND_MS, POLL_COMMAND_COUNT), COMM_IO_ERROR);
}

TEST_F(SerialLink, ConnectProbedThePortAndKeptItsAnswer)
{
    EXPECT_TRUE(comm->IsConnected());
    EXPECT_TRUE(comm->IsSerialOpen());
    EXPECT_STREQ(comm->GetPortPath(), box.Path().c_str());
    EXPECT_EQ(comm->GetI2CDevice(), -1);
    const unsigned* info = comm->GetPanelInfo();
    EXPECT_EQ(info[0], 9u);
    EXPECT_EQ(info[1], 8u);
    EXPECT_EQ(info[2], 7u);
    EXPECT_EQ(info[3], 6u);
    // The port is ours alone while the link is up.
    SerialPort* second = OpenSerialPort(box.Path().c_str());
    EXPECT_EQ(second, nullptr);
    CloseSerialPort(second);
}

TEST_F(SerialLink, SetPowerSendsTheFiveBytePacketAndAckIsSuccess)
{
    EXPECT_EQ(comm->SetPower(1, POLL_COMMAND_MS, kPatient), COMM_OK) << log.Text();
    EXPECT_EQ(box.Received(), (Bytes{0x41, 0x03, 0x01, 0x8F, 0x11}));
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{"Debug3: uart tx: 41 03 01 8F 11", "Debug3: uart rx: 06"}));
}

TEST_F(SerialLink, EachSetterSendsItsLetterAndByte)
{
    struct Case
    {
        CommResult (PanelComm::*setter)(uint8_t, int, int);
        uint8_t value;
        uint8_t letter;
    } cases[] = {
        {&PanelComm::SetPower, 2, 'A'},  {&PanelComm::SetSource, 3, 'J'}, {&PanelComm::SetBlank, 1, 'H'},
        {&PanelComm::SetVolume, 32, 'E'}, {&PanelComm::SetMute, 1, 'G'},  {&PanelComm::SetMicLevel, 3, 'D'},
    };
    for (const Case& c : cases)
        EXPECT_EQ(((*comm).*c.setter)(c.value, POLL_COMMAND_MS, kPatient), COMM_OK) << c.letter;
    const auto requests = box.Requests();
    ASSERT_EQ(requests.size(), 6u);
    for (size_t i = 0; i < 6; ++i)
        EXPECT_EQ(requests[i], PanelSimulator::MakePacket(cases[i].letter, {cases[i].value})) << i;

    // Programming commands carry their whole payload (baud rate MSB first).
    const uint8_t baud[4] = {0x00, 0x00, 0x25, 0x80};
    EXPECT_EQ(comm->SendCommand(SERIAL_BAUD, baud, 4, nullptr, 0, POLL_BAUD_MS, POLL_BAUD_COUNT), COMM_OK);
    EXPECT_EQ(box.Requests().back(), PanelSimulator::MakePacket('B', {0x00, 0x00, 0x25, 0x80}));
}

TEST_F(SerialLink, NakIsRetriedOnceThenReported)
{
    box.QueueNak();
    box.QueueNak();
    EXPECT_EQ(comm->SetMute(1, POLL_COMMAND_MS, kPatient), COMM_NAK);
    EXPECT_EQ(box.RequestCount(), 2u);
    EXPECT_TRUE(log.Contains("Warning: device returned NAK")) << log.Text();
    EXPECT_STREQ(log.GetLastText(), "device returned NAK");

    // A single NAK followed by ACK is a success.
    box.ClearReceived();
    box.QueueNak();
    EXPECT_EQ(comm->SetMute(0, POLL_COMMAND_MS, kPatient), COMM_OK);
    EXPECT_EQ(box.RequestCount(), 2u);
}

TEST_F(SerialLink, AnyOtherSingleByteIsUnexpected)
{
    box.QueueBytes({0x41});
    EXPECT_EQ(comm->SetBlank(1, POLL_COMMAND_MS, kPatient), COMM_MALFORMED);
    EXPECT_TRUE(log.Contains("Warning: expected ACK/NAK received 0x41")) << log.Text();
    box.QueueBytes({0x00, 0x06});
    EXPECT_EQ(comm->SetBlank(1, POLL_COMMAND_MS, kPatient), COMM_MALFORMED);
    EXPECT_TRUE(log.Contains("Warning: expected ACK/NAK received 0x00")) << log.Text();
}

TEST_F(SerialLink, SilenceIsRetriedOnceThenNoData)
{
    box.QueueSilence();
    box.QueueSilence();
    EXPECT_EQ(comm->SetVolume(10, POLL_COMMAND_MS, POLL_COMMAND_COUNT), COMM_NO_DATA);
    EXPECT_EQ(box.RequestCount(), 2u);
    EXPECT_TRUE(log.Contains("Warning: device did not return any data")) << log.Text();
    EXPECT_TRUE(log.Contains("Debug3: uart rx:")) << log.Text();
}

TEST_F(SerialLink, ALateAnswerIsMissedAndThenPurgedBeforeTheNextCommand)
{
    // Both attempts have polled after about 90 ms; the ACK comes at 300 ms.
    const auto start = std::chrono::steady_clock::now();
    box.QueueAck(300);
    box.QueueSilence();
    EXPECT_EQ(comm->SetPower(2, POLL_COMMAND_MS, POLL_COMMAND_COUNT), COMM_NO_DATA);
    std::this_thread::sleep_until(start + std::chrono::milliseconds(350));
    // The stale ACK waits in the line; the next exchange must not take it.
    box.QueueNak();
    box.QueueNak();
    EXPECT_EQ(comm->SetPower(2, POLL_COMMAND_MS, POLL_COMMAND_COUNT), COMM_NAK) << log.Text();

    // An answer that comes within the polls is taken.
    box.QueueAck(30);
    EXPECT_EQ(comm->SetPower(2, POLL_COMMAND_MS, kPatient), COMM_OK) << log.Text();
}

TEST_F(SerialLink, StatusReplyIsCopiedAndBadCrcIsRequestedTwice)
{
    box.SetStatus({1, 2, 20, 0, 1, 3});
    uint8_t status[6] = {};
    EXPECT_EQ(comm->GetStatus(status, POLL_STATUS_MS, kPatient), 6) << log.Text();
    EXPECT_EQ(Bytes(status, status + 6), (Bytes{1, 2, 20, 0, 1, 3}));
    EXPECT_EQ(box.Received(), (Bytes{0x51, 0x02, 0x66, 0x09}));

    // One bad CRC: the whole exchange is repeated and the good reply taken.
    box.ClearReceived();
    box.QueueWrongCrc('Q', {9, 9, 9, 9, 9, 9});
    box.SetStatus({2, 1, 5, 1, 0, 0});
    EXPECT_EQ(comm->GetStatus(status, POLL_STATUS_MS, kPatient), 6);
    EXPECT_EQ(Bytes(status, status + 6), (Bytes{2, 1, 5, 1, 0, 0}));
    EXPECT_EQ(box.RequestCount(), 2u);

    // Two bad CRCs: -3, and the caller's buffer keeps its old bytes.
    box.ClearReceived();
    box.QueueWrongCrc('Q', {7, 7, 7, 7, 7, 7});
    box.QueueWrongCrc('Q', {7, 7, 7, 7, 7, 7});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(comm->GetStatus(status, POLL_STATUS_MS, kPatient), COMM_BAD_CRC);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(50 + 2 * (4 + 10))); // the pause between attempts
    EXPECT_EQ(box.RequestCount(), 2u);
    EXPECT_TRUE(log.Contains("Warning: corrupted packet, CRC did not match")) << log.Text();
    EXPECT_EQ(Bytes(status, status + 6), (Bytes{2, 1, 5, 1, 0, 0}));
}

TEST_F(SerialLink, ShortOrInconsistentRepliesAreMalformedAndNeverOverread)
{
    uint8_t status[6] = {};
    box.QueueBytes({0x51, 0x08, 0x01, 0x02});
    EXPECT_EQ(comm->GetStatus(status, POLL_STATUS_MS, POLL_STATUS_COUNT), COMM_MALFORMED);
    EXPECT_TRUE(log.Contains("Warning: malformed packet, length was only 4")) << log.Text();

    // Length bytes that point past the ten bytes received, or below 2.
    for (uint8_t n : {uint8_t{9}, uint8_t{200}, uint8_t{0}, uint8_t{1}})
    {
        log.Clear();
        box.QueueBytes({0x51, n, 1, 2, 3, 4, 5, 6, 7, 8});
        EXPECT_EQ(comm->GetStatus(status, POLL_STATUS_MS, POLL_STATUS_COUNT), COMM_MALFORMED) << int(n);
        EXPECT_TRUE(log.Contains("Warning: malformed packet, length was only 10")) << log.Text();
    }
}

TEST_F(SerialLink, OnlyThePacketsPayloadIsReturned)
{
    // A four-byte payload followed by two stray bytes: ten bytes arrive.
    Bytes reply = PanelSimulator::MakePacket('Q', {4, 3, 2, 1});
    reply.push_back(0xEE);
    reply.push_back(0xEE);
    box.QueueBytes(reply);
    uint8_t status[6] = {0, 0, 0, 0, 0x55, 0x55};
    EXPECT_EQ(comm->GetStatus(status, POLL_STATUS_MS, kPatient), 4) << log.Text();
    EXPECT_EQ(Bytes(status, status + 6), (Bytes{4, 3, 2, 1, 0x55, 0x55}));
}

TEST_F(SerialLink, GarbageNeverPassesAsAnAnswer)
{
    uint8_t status[6] = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5};
    const struct
    {
        Bytes bytes;
        CommResult expected;
    } cases[] = {
        {{0xFF, 0xFE, 0xFD}, COMM_MALFORMED},
        {{0x51, 0x08, 0xDE, 0xAD, 0xBE, 0xEF, 0x00, 0x11, 0x22, 0x33}, COMM_BAD_CRC},
        {Bytes(10, 0x00), COMM_MALFORMED},
        {Bytes(10, 0xFF), COMM_MALFORMED},
    };
    for (const auto& c : cases)
    {
        box.QueueBytes(c.bytes);
        box.QueueBytes(c.bytes);
        EXPECT_EQ(comm->GetStatus(status, POLL_STATUS_MS, POLL_STATUS_COUNT), c.expected);
        box.ClearQueue();
    }
    EXPECT_EQ(Bytes(status, status + 6), (Bytes{0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5}));
    box.QueueBytes({0xFF, 0x06});
    EXPECT_EQ(comm->SetPower(1, POLL_COMMAND_MS, kPatient), COMM_MALFORMED);
}

TEST_F(SerialLink, ReadOnlyExchangeSendsNothing)
{
    uint8_t reply[16] = {};
    EXPECT_EQ(comm->SendCommand(NO_CMD, nullptr, 0, reply, 16, POLL_STATUS_MS, POLL_STATUS_COUNT), COMM_NO_DATA);
    EXPECT_TRUE(log.Contains("Warning: device did not return any data")) << log.Text();
    EXPECT_FALSE(log.Contains("Debug3: uart tx:")) << log.Text();

    box.SendNow(PanelSimulator::MakePacket('P', {'O', 'K', '\r'}));
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(comm->SendCommand(NO_CMD, nullptr, 0, reply, 16, POLL_STATUS_MS, POLL_STATUS_COUNT), 3) << log.Text();
    EXPECT_EQ(Bytes(reply, reply + 3), (Bytes{'O', 'K', '\r'}));
    EXPECT_TRUE(box.Received().empty());
}

TEST_F(SerialLink, AReplyBufferLargerThanAnyPacketReadsTheLongestPacket)
{
    std::vector<uint8_t> reply(1000, 0);
    box.SendNow(PanelSimulator::MakePacket('P', Bytes(253, 0x5A)));
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(comm->SendCommand(NO_CMD, nullptr, 0, reply.data(), 1000, POLL_STATUS_MS, kPatient), 253)
        << log.Text();
    EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 253), Bytes(253, 0x5A));
    EXPECT_EQ(reply[253], 0);
}

TEST_F(SerialLink, PayloadsTheLengthByteCannotCarryAreRefused)
{
    std::vector<uint8_t> payload(256, 'x');
    EXPECT_EQ(comm->SendCommand(SERIAL_PASSTHROUGH, payload.data(), 254, nullptr, 0, POLL_COMMAND_MS,
                                POLL_COMMAND_COUNT),
              COMM_MALFORMED);
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{
                               "Error: payload of 254 bytes is too long, at most 253 bytes can be sent"}));

    // The longest payload goes out whole: length byte 255, 257 bytes.
    EXPECT_EQ(comm->SendCommand(SERIAL_PASSTHROUGH, payload.data(), 253, nullptr, 0, POLL_COMMAND_MS,
                                kPatient),
              COMM_OK)
        << log.Text();
    ASSERT_EQ(box.RequestCount(), 1u);
    const Bytes sent = box.Requests()[0];
    ASSERT_EQ(sent.size(), 257u);
    EXPECT_EQ(sent[0], 'P');
    EXPECT_EQ(sent[1], 255);
    EXPECT_EQ(sent, PanelSimulator::MakePacket('P', Bytes(253, 'x')));
    // The trace stops at 85 bytes.
    EXPECT_TRUE(log.Contains("Debug3: uart tx: 50 FF" + [] {
        std::string rest;
        for (int i = 0; i < 83; ++i)
            rest += " 78";
        return rest;
    }())) << log.Text();
}

TEST_F(SerialLink, DisconnectClosesThePortAndDestructionDisconnects)
{
    comm->Disconnect();
    EXPECT_FALSE(comm->IsConnected());
    EXPECT_FALSE(comm->IsSerialOpen());
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{"Debug2: closed comm port " + box.Path()}));
    EXPECT_EQ(bus->deinitCalls, 0);
    SerialPort* again = OpenSerialPort(box.Path().c_str());
    EXPECT_NE(again, nullptr);
    CloseSerialPort(again);
    EXPECT_EQ(comm->SetPower(1, POLL_COMMAND_MS, POLL_COMMAND_COUNT), COMM_IO_ERROR);

    ASSERT_EQ(comm->Connect(), COMM_OK);
    log.Clear();
    comm.reset();
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{"Debug2: closed comm port " + box.Path()}));
}

TEST_F(SerialLink, ALineThatHungUpIsAnIoError)
{
    box.Stop();
    EXPECT_EQ(comm->SetPower(1, POLL_COMMAND_MS, POLL_COMMAND_COUNT), COMM_IO_ERROR);
    EXPECT_TRUE(log.Contains("Error: I/O error occured while writing serial port")) << log.Text();
    EXPECT_TRUE(comm->IsConnected()); // the caller decides
}

} // namespace
