// Installing the I2C driver when the module is already loaded: the boot
// file must be there afterwards all the same.

#include "comm/i2ctransport.h"
#include "comm/linuxddcbus.h"

#include "support/core/fake_ddc_bus.h"
#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>

namespace {

TEST(DriverInstall, AWorkingLinkIsMadePermanentToo)
{
    const struct
    {
        int initResult;
        int installResult;
        int expected;
    } cases[] = {
        {0, 0, 0},            // loaded now: listed for boot as well
        {0, EACCES, EACCES},  // loaded, but the boot file cannot be written: said so
        {ENOENT, 0, 0},       // not loaded: loaded and listed
    };
    for (const auto& c : cases)
    {
        FakeDdcBus bus;
        bus.initResult = c.initResult;
        bus.installResults = {c.installResult};
        EXPECT_EQ(InstallI2CDriver(bus, nullptr), c.expected) << c.initResult << "/" << c.installResult;
        EXPECT_EQ(bus.installPaths, std::vector<std::string>{"(none)"});
    }
}

TEST(DriverInstall, UninstallThenInstallInOneBootListsTheModuleAgain)
{
    TempDir root;
    LinuxDdcPaths paths;
    paths.i2cDevClass = root.File("class-i2c-dev"); // the module is loaded
    paths.drmClass = root.File("drm");
    paths.devFolder = root.File("dev");
    paths.bootFile = root.File("modules-load.d/aulavox-kesto.conf");
    paths.modprobe = root.File("modprobe");
    paths.insmod = root.File("insmod");
    for (const std::string& dir : {paths.i2cDevClass, root.File("modules-load.d")})
        ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
    ASSERT_TRUE(WriteWholeFile(paths.modprobe, "#!/bin/sh\necho \"$@\" >> " + root.File("calls") + "\nexit 0\n"));
    ASSERT_EQ(chmod(paths.modprobe.c_str(), 0755), 0);

    LinuxDdcBus bus(paths);
    EXPECT_EQ(InstallI2CDriver(bus, nullptr), 0);
    EXPECT_EQ(ReadWholeFile(paths.bootFile), "i2c-dev\n");
    EXPECT_EQ(UninstallI2CDriver(bus), 0);
    EXPECT_FALSE(FileExists(paths.bootFile));
    EXPECT_EQ(InstallI2CDriver(bus, nullptr), 0);
    EXPECT_EQ(ReadWholeFile(paths.bootFile), "i2c-dev\n") << "the next boot would not load the module";
    EXPECT_EQ(ReadWholeFile(root.File("calls")), "i2c-dev\ni2c-dev\n");
}

} // namespace
