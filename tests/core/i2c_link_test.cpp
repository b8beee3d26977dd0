// The I2C search and transfer over a scripted bus, and the Linux bus against
// a made-up sysfs tree, device folder and loader programs.

#include "comm/i2ctransport.h"
#include "comm/linuxddcbus.h"
#include "comm/panelcomm.h"

#include "support/core/child_process.h"
#include "support/core/fake_ddc_bus.h"
#include "support/core/log_recorder.h"
#include "support/core/panel_simulator.h"
#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Bytes = std::vector<uint8_t>;
using Lines = std::vector<std::string>;
using Read = FakeDdcBus::Read;

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
        std::vector<Read> reads;
        std::string message;
    } rows[] = {
        {{{0, Packet('V', {1, 2, 3, 4})}}, "expected cmd = 0x53, received cmd = '0x56'"},
        {{{0, Packet('S', {1, 2})}}, "expected cnt = 8, received cnt = 6"},
        {{{0, {'S', 8, 1, 2, 3, 4, 5, 6}}}, "expected len = 6, received len = '8'"},
        {{{0, badCrc}}, crc},
        {{{EIO, {}}}, "expected cnt = 8, received cnt = -5"}, // a failed exchange is traced with its count
        {{}, "expected cnt = 8, received cnt = 0"}, // silent: polled four times, twice
    };
    bus->enumResult = 0;
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.message);
        log.Clear();
        bus->readCounts.clear();
        bus->reads.assign(row.reads.begin(), row.reads.end());
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

// A sysfs, /dev, boot folder and loaders in a temporary folder.
struct LinuxBus : testing::Test
{
    TempDir root;
    LinuxDdcPaths paths{root.File("i2c-dev"), root.File("drm"),     root.File("dev"),
                        root.File("boot/kesto.conf"), root.File("modprobe"), root.File("insmod")};

    void SetUp() override
    {
        for (const char* dir : {"drm", "dev", "boot", "i2c"})
            ASSERT_EQ(mkdir(root.File(dir).c_str(), 0755), 0);
        EXPECT_EQ(chmod(root.Path().c_str(), 0755), 0); // an ordinary user may look inside
    }

    // A connector with its status and DDC bus: a folder inside it, or a link to one.
    void Connector(const std::string& name, const char* status, const std::string& ddcBus = "", bool asLink = false)
    {
        const std::string dir = paths.drmClass + "/" + name;
        const std::string target = asLink ? root.File("i2c/" + ddcBus) : dir + "/" + ddcBus;
        ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
        ASSERT_TRUE(WriteWholeFile(dir + "/status", std::string(status) + "\n"));
        ASSERT_TRUE(ddcBus.empty() || mkdir(target.c_str(), 0755) == 0);
        ASSERT_TRUE(!asLink || symlink(target.c_str(), (dir + "/ddc").c_str()) == 0);
    }

    // A loader that records its arguments and ends with the given status.
    void Loader(const std::string& path, int status)
    {
        ASSERT_TRUE(WriteWholeFile(path, "#!/bin/sh\necho \"$@\" >> " + root.File("calls") +
                                             "\necho loader-output\nexit " + std::to_string(status) + "\n"));
        ASSERT_EQ(chmod(path.c_str(), 0755), 0);
    }

    // What a search over this bus (and these serial ports) says in its last Error line.
    std::string SearchError(const std::vector<std::string>& ports = {})
    {
        LogRecorder log;
        PanelComm comm(std::make_unique<LinuxDdcBus>(paths));
        comm.SetPortLister(PortListOf(ports));
        EXPECT_EQ(comm.Connect(), COMM_IO_ERROR);
        const Lines errors = log.AtLevel(Log::LEVEL_ERROR);
        return errors.empty() ? std::string() : errors.back();
    }
};

TEST_F(LinuxBus, FindsTheInterfaceAndTheBusOfAConnectedConnectorFirst)
{
    LinuxDdcBus bus(paths);
    EXPECT_EQ(bus.InitDDCHelper(), ENOENT);
    EXPECT_EQ(SearchError(), "no control panel found: serial ports: none found; I2C: the i2c-dev kernel module is "
                             "not loaded (run aulavox-kesto --install as root)");
    ASSERT_EQ(mkdir(paths.i2cDevClass.c_str(), 0755), 0);
    EXPECT_EQ(bus.InitDDCHelper(), 0);
    int32_t handle = -1;
    EXPECT_EQ(bus.EnumGetFirst(&handle), ENODEV);
    EXPECT_EQ(SearchError(), "no control panel found: serial ports: none found; I2C: no display connector with an "
                             "I2C bus was found");
    ASSERT_EQ(mkdir(root.File("drm/card0").c_str(), 0755), 0); // the card itself, not a connector
    Connector("card0-DP-1", "disconnected", "i2c-9");
    Connector("card0-VGA-1", "disconnected");
    EXPECT_EQ(bus.EnumGetFirst(&handle), 0);
    EXPECT_EQ(handle, 9); // nothing connected: the first by name
    Connector("card0-HDMI-A-1", "connected", "i2c-4", true);
    EXPECT_EQ(bus.EnumGetFirst(&handle), 0);
    EXPECT_EQ(handle, 4);
    bus.DeinitDDCHelper();
}

TEST_F(LinuxBus, TransfersFailWithTheSystemsErrorAndTheEdidNameIsRead)
{
    LinuxDdcBus bus(paths);
    uint8_t data[4] = {0x53};
    EXPECT_EQ(bus.WriteI2CBuf(5, 0x51, data, 1, 0), ENOENT); // no /dev/i2c-5
    ASSERT_TRUE(WriteWholeFile(paths.devFolder + "/i2c-5", ""));
    EXPECT_EQ(bus.WriteI2CBuf(5, 0x51, data, 1, 0), ENOTTY); // not an I2C device
    EXPECT_EQ(bus.ReadI2CBuf(5, 0x51, data, 4, 0), ENOTTY);
    uint8_t edid[256] = {};
    EXPECT_EQ(bus.GetCachedEDID256(5, edid), ENOTTY);
    EXPECT_EQ(bus.ReadI2CBuf(5, 0x51, data, 256, 0), EINVAL);
    EXPECT_EQ(bus.WriteI2CBuf(-1, 0x51, data, 1, 0), EINVAL);

    uint8_t name[32];
    EXPECT_EQ(bus.GetEDIDOption(edid, 1, name, sizeof(name)), ENOENT);
    edid[54 + 18 + 3] = 0xFC; // the second descriptor holds the display's name
    memcpy(edid + 54 + 18 + 5, "ROOM-PROJ\n   ", 13);
    EXPECT_EQ(bus.GetEDIDOption(edid, 1, name, 5), 0);
    EXPECT_STREQ(reinterpret_cast<char*>(name), "ROOM");
    EXPECT_EQ(bus.GetEDIDOption(edid, 2, name, sizeof(name)), EINVAL);
}

TEST_F(LinuxBus, InstallLoadsTheModuleListsItForBootAndUninstallRemovesIt)
{
    Loader(paths.modprobe, 0);
    Loader(paths.insmod, 0);
    LinuxDdcBus bus(paths);
    testing::internal::CaptureStdout();
    EXPECT_EQ(bus.InstallDriver(nullptr, 1), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), ""); // the loader talks on standard error
    EXPECT_EQ(ReadWholeFile(paths.bootFile), "i2c-dev\n");
    EXPECT_EQ(bus.UninstallDriver(), 0);
    EXPECT_FALSE(FileExists(paths.bootFile));
    EXPECT_EQ(bus.UninstallDriver(), 0); // nothing left to remove
    EXPECT_EQ(bus.InstallDriver("/opt/ddc/i2c-dev.ko", 1), 0); // insmod only, not for boot
    EXPECT_EQ(ReadWholeFile(root.File("calls")), "i2c-dev\n/opt/ddc/i2c-dev.ko\n");
    EXPECT_FALSE(FileExists(paths.bootFile));

    LinuxDdcPaths noFolder = paths, noLoader = paths;
    noFolder.bootFile = root.File("missing/kesto.conf");
    noLoader.modprobe = root.File("no-such-modprobe");
    EXPECT_EQ(LinuxDdcBus(noFolder).InstallDriver(nullptr, 1), ENOENT);
    EXPECT_EQ(LinuxDdcBus(noLoader).InstallDriver(nullptr, 1), ENOENT);
    Loader(paths.modprobe, 1);
    EXPECT_EQ(bus.InstallDriver(nullptr, 1), 0x101);
    EXPECT_FALSE(FileExists(paths.bootFile));
    ASSERT_EQ(mkdir(paths.bootFile.c_str(), 0755), 0); // a folder in its place
    EXPECT_EQ(bus.UninstallDriver(), EISDIR);
}

// Root opens every device, so the user's side runs again as "nobody".
TEST_F(LinuxBus, AnOrdinaryUserIsToldWhichGroupToJoin)
{
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
    PanelSimulator box;
    ASSERT_TRUE(box.Start());
    ASSERT_EQ(chmod(box.Path().c_str(), 0), 0); // unreadable for its owner too
    ASSERT_EQ(mkdir(paths.i2cDevClass.c_str(), 0755), 0);
    Connector("card0-HDMI-A-1", "connected", "i2c-3", true);
    ASSERT_TRUE(WriteWholeFile(paths.devFolder + "/i2c-3", ""));
    ASSERT_EQ(chmod((paths.devFolder + "/i2c-3").c_str(), 0), 0);
    const std::string line = SearchError({box.Path()});
    const std::string serial = "no control panel found: " + box.Path() +
                               ": permission denied (add the user to the dialout group, then log in again); I2C: no "
                               "permission on " + paths.devFolder + "/i2c-3 (";
    EXPECT_EQ(line.substr(0, serial.size()), serial) << line;
    EXPECT_NE(line.find("i2c group, then log in again)"), std::string::npos) << line;
    EXPECT_EQ(box.RequestCount(), 0u);
}

} // namespace
