// The Linux DDC bus against a made-up sysfs tree, device folder and loader
// programs in a temporary folder.

#include "comm/linuxddcbus.h"

#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct LinuxBus : testing::Test
{
    TempDir root;
    LinuxDdcPaths paths;

    void SetUp() override
    {
        paths = {root.File("i2c-dev"), root.File("drm"), root.File("dev"), root.File("boot/kesto.conf"),
                 root.File("modprobe"), root.File("insmod")};
        for (const char* dir : {"drm", "dev", "boot", "i2c"})
            ASSERT_EQ(mkdir(root.File(dir).c_str(), 0755), 0);
    }

    void Connector(const std::string& name, const char* status, const std::string& ddcBus = "", bool asLink = false)
    {
        const std::string dir = paths.drmClass + "/" + name;
        ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
        ASSERT_TRUE(WriteWholeFile(dir + "/status", std::string(status) + "\n"));
        const std::string target = asLink ? root.File("i2c/" + ddcBus) : dir + "/" + ddcBus;
        if (!ddcBus.empty())
        {
            ASSERT_EQ(mkdir(target.c_str(), 0755), 0);
        }
        if (asLink)
        {
            ASSERT_EQ(symlink(target.c_str(), (dir + "/ddc").c_str()), 0);
        }
    }

    // A loader that records its arguments and ends with the given status.
    void Loader(const std::string& path, int status)
    {
        ASSERT_TRUE(WriteWholeFile(path, "#!/bin/sh\necho \"$@\" >> " + root.File("calls") +
                                             "\necho loader-output\nexit " + std::to_string(status) + "\n"));
        ASSERT_EQ(chmod(path.c_str(), 0755), 0);
    }
};

TEST_F(LinuxBus, FindsTheInterfaceAndTheBusOfAConnectedConnectorFirst)
{
    LinuxDdcBus bus(paths);
    EXPECT_EQ(bus.InitDDCHelper(), ENOENT);
    ASSERT_EQ(mkdir(paths.i2cDevClass.c_str(), 0755), 0);
    EXPECT_EQ(bus.InitDDCHelper(), 0);
    int32_t handle = -1;
    EXPECT_EQ(bus.EnumGetFirst(&handle), ENODEV);
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

} // namespace
