// The I2C search, the I2C transfer and the driver operations, over a
// scripted DDC bus.

#include "comm/i2ctransport.h"
#include "comm/panelcomm.h"

#include "support/core/fake_ddc_bus.h"
#include "support/core/log_recorder.h"
#include "support/core/panel_simulator.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

using Bytes = std::vector<uint8_t>;
using Lines = std::vector<std::string>;

Bytes Packet(uint8_t letter, const Bytes& payload)
{
    return PanelSimulator::MakePacket(letter, payload);
}

struct I2CSearch : testing::Test
{
    LogRecorder log;
    FakeDdcBus* bus = nullptr;
    std::unique_ptr<PanelComm> comm;

    void SetUp() override
    {
        auto fake = std::make_unique<FakeDdcBus>();
        bus = fake.get();
        comm = std::make_unique<PanelComm>(std::move(fake));
        comm->SetPortLister(PortListOf({}));
    }
};

TEST_F(I2CSearch, LibraryThatDoesNotStartEndsTheSearch)
{
    bus->initResult = 0x2A;
    EXPECT_EQ(FindI2CPanel(*comm), COMM_IO_ERROR);
    EXPECT_EQ(log.Lines(), (Lines{"Error: Initialized of I2C driver failed, code 2A"}));
    EXPECT_EQ(bus->enumCalls, 0);

    log.Clear();
    bus->initResult = 0;
    bus->enumResult = ENODEV;
    EXPECT_EQ(FindI2CPanel(*comm), COMM_IO_ERROR);
    EXPECT_EQ(log.Lines(), (Lines{"Error: no video device found"}));
    EXPECT_EQ(bus->edidCalls, 0);
    EXPECT_EQ(comm->GetI2CDevice(), -1);
}

TEST_F(I2CSearch, ProbeWritesTheLetterAloneAndWaitsForTheAnswer)
{
    bus->enumHandle = 7;
    bus->QueueRead(Bytes(8, 0)); // nothing yet
    bus->QueueRead(Packet('S', {0xA, 0xB, 0xC, 0xD}));
    ASSERT_EQ(FindI2CPanel(*comm), COMM_OK) << log.Text();
    EXPECT_EQ(comm->GetI2CDevice(), 7);
    EXPECT_EQ(comm->GetPanelInfo()[0], 0xAu);
    EXPECT_EQ(comm->GetPanelInfo()[3], 0xDu);
    ASSERT_EQ(bus->writes.size(), 1u);
    EXPECT_EQ(bus->writes[0].handle, 7);
    EXPECT_EQ(bus->writes[0].address, 0x51);
    EXPECT_EQ(bus->writes[0].bytes, Bytes{0x53});
    EXPECT_EQ(bus->readCounts, (std::vector<int>{8, 8}));
    EXPECT_EQ(bus->edidCalls, 1);
    EXPECT_EQ(bus->optionCalls, 1);
    EXPECT_EQ(log.Lines().front(), "Debug3: i2c tx: 53");
}

TEST_F(I2CSearch, WrongAnswersAreLoggedAndLeaveTheLibraryOpen)
{
    Bytes badCrc = Packet('S', {1, 2, 3, 4});
    const Bytes good = badCrc;
    badCrc[6] ^= 0x80;
    const struct
    {
        Bytes answer;
        std::string message;
    } cases[] = {
        {Packet('V', {1, 2, 3, 4}), "expected cmd = 0x53, received cmd = '0x56'"},
        {Packet('S', {1, 2}), "expected cnt = 8, received cnt = 6"},
        {{'S', 8, 1, 2, 3, 4, 5, 6}, "expected len = 6, received len = '8'"},
        {badCrc, "crc error, expected " + [&] {
             char hex[8];
             snprintf(hex, sizeof(hex), "%02X%02X", good[6], good[7]);
             return std::string(hex);
         }()},
    };
    for (const auto& c : cases)
    {
        log.Clear();
        bus->QueueRead(c.answer);
        EXPECT_EQ(FindI2CPanel(*comm), COMM_IO_ERROR) << c.message;
        EXPECT_TRUE(log.Contains("Debug2: " + c.message)) << log.Text();
        EXPECT_EQ(log.Lines().back(), "Debug2: closed i2c");
        EXPECT_EQ(comm->GetI2CDevice(), -1);
    }
    EXPECT_EQ(bus->deinitCalls, 0);
}

TEST_F(I2CSearch, SilentDeviceIsPolledForBothAttempts)
{
    EXPECT_EQ(FindI2CPanel(*comm), COMM_IO_ERROR);
    EXPECT_EQ(bus->readCounts.size(), 8u); // 4 polls, twice
    EXPECT_EQ(bus->writes.size(), 2u);
    EXPECT_TRUE(log.Contains("Debug2: expected cnt = 8, received cnt = 0")) << log.Text();
    EXPECT_TRUE(log.Contains("Debug3: i2c rx:")) << log.Text();
}

struct I2CLink : I2CSearch
{
    void SetUp() override
    {
        I2CSearch::SetUp();
        bus->QueueRead(Packet('S', {1, 2, 3, 4}));
        ASSERT_EQ(comm->Connect(), COMM_OK) << log.Text();
        ASSERT_FALSE(comm->IsSerialOpen());
        bus->writes.clear();
        bus->readCounts.clear();
        log.Clear();
    }
};

TEST_F(I2CLink, CommandIsWrittenWholeAndAckOrNakRead)
{
    bus->QueueRead({0x06});
    EXPECT_EQ(comm->SetPower(1, POLL_COMMAND_MS, POLL_COMMAND_COUNT), COMM_OK);
    ASSERT_EQ(bus->writes.size(), 1u);
    EXPECT_EQ(bus->writes[0].bytes, (Bytes{0x41, 0x03, 0x01, 0x8F, 0x11}));
    EXPECT_EQ(bus->readCounts, std::vector<int>{1});
    EXPECT_EQ(log.Lines(), (Lines{"Debug3: i2c tx: 41 03 01 8F 11", "Debug3: i2c rx: 06"}));

    // NAK: the request is written once more; a second NAK is the answer.
    bus->writes.clear();
    bus->QueueRead({0x15});
    bus->QueueRead({0x15});
    EXPECT_EQ(comm->SetSource(2, POLL_COMMAND_MS, POLL_COMMAND_COUNT), COMM_NAK);
    EXPECT_EQ(bus->writes.size(), 2u);
    EXPECT_TRUE(log.Contains("Warning: device returned NAK"));

    // Any other first byte, read alone.
    bus->readCounts.clear();
    bus->QueueRead({0x5A, 0x01});
    EXPECT_EQ(comm->SetMute(1, POLL_COMMAND_MS, POLL_COMMAND_COUNT), COMM_MALFORMED);
    EXPECT_EQ(bus->readCounts, std::vector<int>{1});
    EXPECT_TRUE(log.Contains("Warning: expected ACK/NAK received 0x5A")) << log.Text();
}

TEST_F(I2CLink, NothingForAllPollsOfBothAttemptsIsNoData)
{
    EXPECT_EQ(comm->SetVolume(5, POLL_COMMAND_MS, POLL_COMMAND_COUNT), COMM_NO_DATA);
    EXPECT_EQ(bus->writes.size(), 2u);
    EXPECT_EQ(bus->readCounts.size(), 4u);
    EXPECT_TRUE(log.Contains("Warning: device did not return any data"));
}

TEST_F(I2CLink, StatusReplyIsCutToWhatWasAskedAndChecked)
{
    bus->QueueRead(Packet('Q', {1, 1, 16, 0, 0, 2}));
    uint8_t status[6] = {};
    EXPECT_EQ(comm->GetStatus(status, POLL_STATUS_MS, POLL_STATUS_COUNT), 6) << log.Text();
    EXPECT_EQ(Bytes(status, status + 6), (Bytes{1, 1, 16, 0, 0, 2}));
    EXPECT_EQ(bus->readCounts, std::vector<int>{10});

    // A length byte beyond the ten bytes read: the count is cut to ten and
    // the packet cannot be checked.
    bus->QueueRead({'Q', 40, 1, 2, 3, 4, 5, 6, 7, 8});
    EXPECT_EQ(comm->GetStatus(status, POLL_STATUS_MS, POLL_STATUS_COUNT), COMM_MALFORMED);
    EXPECT_TRUE(log.Contains("Warning: malformed packet, length was only 10")) << log.Text();

    // A short packet.
    bus->QueueRead({'Q', 1, 9, 9, 9, 9, 9, 9, 9, 9});
    EXPECT_EQ(comm->GetStatus(status, POLL_STATUS_MS, POLL_STATUS_COUNT), COMM_MALFORMED);
    EXPECT_TRUE(log.Contains("Warning: malformed packet, length was only 3")) << log.Text();

    // A bad CRC twice.
    Bytes bad = Packet('Q', {1, 1, 16, 0, 0, 2});
    bad[9] ^= 1;
    bus->QueueRead(bad);
    bus->QueueRead(bad);
    EXPECT_EQ(comm->GetStatus(status, POLL_STATUS_MS, POLL_STATUS_COUNT), COMM_BAD_CRC);
}

TEST_F(I2CLink, BusErrorsAreIoErrors)
{
    bus->writeResults.push_back(EIO);
    EXPECT_EQ(comm->SetBlank(1, POLL_COMMAND_MS, POLL_COMMAND_COUNT), COMM_IO_ERROR);
    EXPECT_TRUE(log.Contains("Error: unable to write I2C, error code 5")) << log.Text();
    EXPECT_TRUE(bus->readCounts.empty());

    bus->QueueReadError(ENXIO);
    EXPECT_EQ(comm->SetBlank(1, POLL_COMMAND_MS, POLL_COMMAND_COUNT), COMM_IO_ERROR);
    EXPECT_TRUE(log.Contains("Error: unable to read I2C, error code 6")) << log.Text();
    EXPECT_TRUE(comm->IsConnected());
}

TEST_F(I2CLink, RequestsOverTheBusLimitAreRefusedBeforeSending)
{
    Bytes payload(253, 'x');
    EXPECT_EQ(comm->SendCommand(SERIAL_PASSTHROUGH, payload.data(), 252, nullptr, 0, POLL_COMMAND_MS,
                                POLL_COMMAND_COUNT),
              COMM_MALFORMED);
    EXPECT_EQ(log.Lines(),
              (Lines{"Error: payload of 252 bytes is too long, at most 251 bytes can be sent over i2c"}));
    EXPECT_TRUE(bus->writes.empty());

    bus->QueueRead({0x06});
    EXPECT_EQ(comm->SendCommand(SERIAL_PASSTHROUGH, payload.data(), 251, nullptr, 0, POLL_COMMAND_MS,
                                POLL_COMMAND_COUNT),
              COMM_OK);
    ASSERT_EQ(bus->writes.size(), 1u);
    EXPECT_EQ(bus->writes[0].bytes, Packet('P', Bytes(251, 'x')));

    // A read-only exchange with a large buffer reads at most 255 bytes.
    uint8_t reply[300];
    bus->QueueRead(Packet('P', {'o', 'k'}));
    EXPECT_EQ(comm->SendCommand(NO_CMD, nullptr, 0, reply, 300, POLL_COMMAND_MS, POLL_COMMAND_COUNT), 2);
    EXPECT_EQ(bus->readCounts.back(), 255);
    EXPECT_EQ(bus->writes.size(), 1u); // nothing written for NO_CMD
}

TEST_F(I2CLink, DisconnectShutsTheLibraryDownAndEndsTheLink)
{
    comm->Disconnect();
    EXPECT_EQ(log.Lines(), (Lines{"Debug2: closed i2c"}));
    EXPECT_EQ(bus->deinitCalls, 1);
    EXPECT_EQ(comm->GetI2CDevice(), -1);
    EXPECT_FALSE(comm->IsConnected());
    EXPECT_EQ(comm->SetPower(1, POLL_COMMAND_MS, POLL_COMMAND_COUNT), COMM_IO_ERROR);
    EXPECT_TRUE(bus->writes.empty());
}

TEST(PanelCommLifetime, DestructionShutsTheBusDownAfterDisconnecting)
{
    LogRecorder log;
    int deinitCalls = 0;
    // A bus that outlives its counters: record through a shared counter.
    struct CountingBus : FakeDdcBus
    {
        int* counter = nullptr;
        void DeinitDDCHelper() override { ++*counter; }
    };
    auto bus = std::make_unique<CountingBus>();
    bus->counter = &deinitCalls;
    bus->QueueRead(Packet('S', {1, 2, 3, 4}));
    auto comm = std::make_unique<PanelComm>(std::move(bus));
    comm->SetPortLister(PortListOf({}));
    ASSERT_EQ(comm->Connect(), COMM_OK);
    comm.reset();
    EXPECT_EQ(deinitCalls, 2); // Disconnect, then once more
    EXPECT_TRUE(log.Contains("Debug2: closed i2c"));
}

TEST(I2CDriver, InstallTriesTheGivenFileThenTheDefault)
{
    char cwd[512];
    ASSERT_NE(getcwd(cwd, sizeof(cwd)), nullptr);
    const struct
    {
        const char* path;
        std::deque<int> results;
        std::vector<std::string> expected;
        int result;
    } cases[] = {
        {nullptr, {0x105}, {"(none)"}, 0x105},
        {"", {0}, {"(none)"}, 0},
        {"/lib/extra/i2c.ko", {0}, {"/lib/extra/i2c.ko"}, 0},
        {"/lib/extra/i2c.ko", {0x101, 0}, {"/lib/extra/i2c.ko", "(none)"}, 0},
        {"\\drivers\\ddc.sys", {0}, {"\\drivers\\ddc.sys"}, 0},
        {"C:\\ddc.sys", {0}, {"C:\\ddc.sys"}, 0},
        {"mods/i2c.ko", {0}, {std::string(cwd) + "/mods/i2c.ko"}, 0},
        {"mods/i2c.ko", {2, 0x101}, {std::string(cwd) + "/mods/i2c.ko", "(none)"}, 0x101},
    };
    for (const auto& c : cases)
    {
        FakeDdcBus bus;
        bus.initResult = ENOENT;
        bus.installResults = c.results;
        EXPECT_EQ(InstallI2CDriver(bus, c.path), c.result) << (c.path ? c.path : "null");
        EXPECT_EQ(bus.installPaths, c.expected) << (c.path ? c.path : "null");
        EXPECT_EQ(bus.deinitCalls, 0);
    }
}

TEST(I2CDriver, ARelativePathTooLongToJoinIsNotLoadedCutShort)
{
    FakeDdcBus bus;
    bus.initResult = ENOENT;
    const std::string longName(300, 'm');
    EXPECT_EQ(InstallI2CDriver(bus, longName.c_str()), 0);
    EXPECT_EQ(bus.installPaths, std::vector<std::string>{"(none)"});
}

TEST(I2CDriver, UninstallReportsTheBusResult)
{
    FakeDdcBus bus;
    EXPECT_EQ(UninstallI2CDriver(bus), 0);
    bus.uninstallResult = EACCES;
    EXPECT_EQ(UninstallI2CDriver(bus), EACCES);
    EXPECT_EQ(bus.uninstallCalls, 2);
}

} // namespace
