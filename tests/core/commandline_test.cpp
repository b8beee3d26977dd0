// The first argument's commands, in-process; the driver commands on a
// scripted bus or a made-up system: the real module loader and /etc are
// never touched by the tests.

#include "app/commandline.h"
#include "comm/i2ctransport.h"
#include "comm/linuxddcbus.h"

#include "support/core/fake_ddc_bus.h"
#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>

namespace {

// Fault: a failed install exiting 0 (a status whose low byte is 0), which the
// package's set-up takes for success.
TEST(CommandLine, AFailedInstallNeverExitsZero)
{
    FakeDdcBus bus;
    bus.initResult = ENOENT;
    bus.installResults = {0x200};
    testing::internal::CaptureStdout();
    EXPECT_EQ(RunMaintenanceCommand("--install", "", &bus), 1);
    fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Driver installation error 200\n");
}

// Fault: after an uninstall in the same boot the module was still loaded, so
// the install skipped the boot file and the next boot had no driver.
TEST(CommandLine, UninstallThenInstallInOneBootListsTheModuleAgain)
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
    EXPECT_EQ(UninstallI2CDriver(bus), 0);
    EXPECT_EQ(InstallI2CDriver(bus, nullptr), 0);
    EXPECT_EQ(ReadWholeFile(paths.bootFile), "i2c-dev\n") << "the next boot would not load the module";
    EXPECT_EQ(ReadWholeFile(root.File("calls")), "i2c-dev\ni2c-dev\n");
}

} // namespace
