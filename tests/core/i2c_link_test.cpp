// The I2C search, the I2C transfer and the driver operations, over a
// scripted DDC bus.

#include "comm/i2ctransport.h"
#include "comm/panelcomm.h"

#include "support/core/fake_ddc_bus.h"
#include "support/core/log_recorder.h"
#include "support/core/panel_simulator.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <unistd.h>

namespace {

using Bytes = std::vector<uint8_t>;
using Lines = std::vector<std::string>;

Bytes Packet(uint8_t letter, const Bytes& payload)
{
    return PanelSimulator::MakePacket(letter, payload);
}

struct I2C : testing::Test
{
    LogRecorder log;
    FakeDdcBus* bus = new FakeDdcBus;
    std::unique_ptr<PanelComm> comm = std::make_unique<PanelComm>(std::unique_ptr<DdcBus>(bus));

    void SetUp() override { comm->SetPortLister(PortListOf({})); }

    void Connected()
    {
        bus->QueueRead(Packet('S', {1, 2, 3, 4}));
        ASSERT_EQ(comm->Connect(), COMM_OK) << log.Text();
        bus->writes.clear();
        bus->readCounts.clear();
        log.Clear();
    }
};

TEST_F(I2C, SearchProbesTheFirstVideoDeviceAndChecksTheAnswer)
{
    bus->initResult = 0x2A;
    EXPECT_EQ(FindI2CPanel(*comm), COMM_IO_ERROR);
    bus->initResult = 0;
    bus->enumResult = ENODEV;
    EXPECT_EQ(FindI2CPanel(*comm), COMM_IO_ERROR);
    EXPECT_EQ(log.Lines(), (Lines{"Error: Initialized of I2C driver failed, code 2A", "Error: no video device found"}));

    Bytes badCrc = Packet('S', {1, 2, 3, 4});
    char crc[32];
    snprintf(crc, sizeof(crc), "crc error, expected %02X%02X", badCrc[6], badCrc[7]);
    badCrc[6] ^= 0x80;
    const struct
    {
        std::vector<Bytes> reads;
        std::string message;
    } rows[] = {
        {{Packet('V', {1, 2, 3, 4})}, "expected cmd = 0x53, received cmd = '0x56'"},
        {{Packet('S', {1, 2})}, "expected cnt = 8, received cnt = 6"},
        {{{'S', 8, 1, 2, 3, 4, 5, 6}}, "expected len = 6, received len = '8'"},
        {{badCrc}, crc},
        {{}, "expected cnt = 8, received cnt = 0"}, // silent: polled four times, twice
    };
    bus->enumResult = 0;
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.message);
        log.Clear();
        bus->readCounts.clear();
        for (const Bytes& read : row.reads)
            bus->QueueRead(read);
        EXPECT_EQ(FindI2CPanel(*comm), COMM_IO_ERROR);
        EXPECT_TRUE(log.Contains("Debug2: " + row.message)) << log.Text();
        EXPECT_EQ(log.Lines().back(), "Debug2: closed i2c");
        EXPECT_TRUE(!row.reads.empty() || bus->readCounts.size() == 8u);
    }
    EXPECT_EQ(bus->deinitCalls, 0);

    bus->enumHandle = 7;
    bus->writes.clear();
    bus->QueueRead(Bytes(8, 0)); // nothing yet
    bus->QueueRead(Packet('S', {0xA, 0xB, 0xC, 0xD}));
    ASSERT_EQ(FindI2CPanel(*comm), COMM_OK) << log.Text();
    EXPECT_EQ(comm->GetI2CDevice(), 7);
    EXPECT_EQ(comm->GetPanelInfo()[3], 0xDu);
    ASSERT_EQ(bus->writes.size(), 1u);
    EXPECT_EQ(bus->writes[0].address, 0x51);
    EXPECT_EQ(bus->writes[0].bytes, Bytes{0x53});
}

TEST_F(I2C, TransferAnswersAndErrors)
{
    Connected();
    Bytes bad = Packet('Q', {1, 1, 16, 0, 0, 2});
    bad[9] ^= 1;
    const struct
    {
        int cmd;
        std::vector<FakeDdcBus::Read> reads;
        int writeError;
        CommResult result;
        size_t writes;
        const char* line;
    } rows[] = {
        {SERIAL_POWER, {{0, {0x06}}}, 0, COMM_OK, 1, "Debug3: i2c tx: 41 03 01 8F 11"},
        {SERIAL_POWER, {{0, {0x15}}, {0, {0x15}}}, 0, COMM_NAK, 2, "Warning: device returned NAK"},
        {SERIAL_POWER, {{0, {0x5A, 0x01}}}, 0, COMM_MALFORMED, 1, "Warning: expected ACK/NAK received 0x5A"},
        {SERIAL_POWER, {}, 0, COMM_NO_DATA, 2, "Warning: device did not return any data"},
        {SERIAL_POWER, {}, EIO, COMM_IO_ERROR, 1, "Error: unable to write I2C, error code 5"},
        {SERIAL_POWER, {{ENXIO, {}}}, 0, COMM_IO_ERROR, 1, "Error: unable to read I2C, error code 6"},
        {SERIAL_STATUS, {{0, Packet('Q', {1, 1, 16, 0, 0, 2})}}, 0, 6, 1, "Debug3: i2c tx: 51 02 66 09"},
        {SERIAL_STATUS, {{0, {'Q', 40, 1, 2, 3, 4, 5, 6, 7, 8}}}, 0, COMM_MALFORMED, 1,
         "Warning: malformed packet, length was only 10"},
        {SERIAL_STATUS, {{0, {'Q', 1, 9, 9, 9, 9, 9, 9, 9, 9}}}, 0, COMM_MALFORMED, 1,
         "Warning: malformed packet, length was only 3"},
        {SERIAL_STATUS, {{0, bad}, {0, bad}}, 0, COMM_BAD_CRC, 2, "Warning: corrupted packet, CRC did not match"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.line);
        log.Clear();
        bus->writes.clear();
        bus->reads.assign(row.reads.begin(), row.reads.end());
        if (row.writeError)
            bus->writeResults.push_back(row.writeError);
        uint8_t status[6] = {};
        const CommResult result = row.cmd == SERIAL_STATUS
                                      ? comm->GetStatus(status, POLL_STATUS_MS, POLL_STATUS_COUNT)
                                      : comm->SetPower(1, POLL_COMMAND_MS, POLL_COMMAND_COUNT);
        EXPECT_EQ(result, row.result);
        EXPECT_EQ(bus->writes.size(), row.writes);
        EXPECT_TRUE(log.Contains(row.line)) << log.Text();
    }
    EXPECT_TRUE(comm->IsConnected());
}

TEST_F(I2C, RequestsOverTheBusLimitAreRefusedAndDisconnectEndsTheLink)
{
    Connected();
    Bytes payload(252, 'x');
    EXPECT_EQ(comm->SendCommand(SERIAL_PASSTHROUGH, payload.data(), 252, nullptr, 0, POLL_COMMAND_MS, 2), COMM_MALFORMED);
    EXPECT_EQ(log.Lines(), (Lines{"Error: payload of 252 bytes is too long, at most 251 bytes can be sent over i2c"}));
    bus->QueueRead({0x06});
    EXPECT_EQ(comm->SendCommand(SERIAL_PASSTHROUGH, payload.data(), 251, nullptr, 0, POLL_COMMAND_MS, 2), COMM_OK);
    ASSERT_EQ(bus->writes.size(), 1u);
    EXPECT_EQ(bus->writes[0].bytes, Packet('P', Bytes(251, 'x')));
    uint8_t reply[300]; // a read-only exchange with a large buffer reads at most 255 bytes
    bus->QueueRead(Packet('P', {'o', 'k'}));
    EXPECT_EQ(comm->SendCommand(NO_CMD, nullptr, 0, reply, 300, POLL_COMMAND_MS, 2), 2);
    EXPECT_EQ(bus->readCounts.back(), 255);

    comm->Disconnect();
    EXPECT_EQ(bus->deinitCalls, 1);
    EXPECT_EQ(comm->SetPower(1, POLL_COMMAND_MS, POLL_COMMAND_COUNT), COMM_IO_ERROR);
    bus->QueueRead(Packet('S', {1, 2, 3, 4}));
    ASSERT_EQ(comm->Connect(), COMM_OK);
    log.Clear();
    comm.reset();
    EXPECT_EQ(log.Lines(), Lines{"Debug2: closed i2c"});
}

TEST(I2CDriver, InstallTriesTheGivenFileThenTheDefault)
{
    char cwd[512];
    ASSERT_NE(getcwd(cwd, sizeof(cwd)), nullptr);
    const std::string here(cwd), tooLong(300, 'm');
    const struct
    {
        int init;
        const char* path;
        std::deque<int> results;
        std::vector<std::string> tried;
        int result;
    } rows[] = {
        {0, nullptr, {0}, {"(none)"}, 0}, // a working driver is made permanent as well
        {ENOENT, nullptr, {0x105}, {"(none)"}, 0x105},
        {ENOENT, "", {0}, {"(none)"}, 0},
        {ENOENT, "/lib/extra/i2c.ko", {0x101, 0}, {"/lib/extra/i2c.ko", "(none)"}, 0},
        {ENOENT, "C:\\ddc.sys", {0}, {"C:\\ddc.sys"}, 0},
        {ENOENT, "mods/i2c.ko", {2, 0x101}, {here + "/mods/i2c.ko", "(none)"}, 0x101},
        {ENOENT, tooLong.c_str(), {0}, {"(none)"}, 0}, // never loaded cut short
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.path ? row.path : "null");
        FakeDdcBus bus;
        bus.initResult = row.init;
        bus.installResults = row.results;
        EXPECT_EQ(InstallI2CDriver(bus, row.path), row.result);
        EXPECT_EQ(bus.installPaths, row.tried);
    }
    FakeDdcBus bus;
    bus.uninstallResult = EACCES;
    EXPECT_EQ(UninstallI2CDriver(bus), EACCES);
}

} // namespace
