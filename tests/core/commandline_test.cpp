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

TEST(CommandLine, StatusAndOutputOfEachCommand)
{
    const struct
    {
        const char* argument;
        const char* folder;
        int init, install, uninstall;
        int status;
        const char* output;
    } rows[] = {
        {"--install", "", 0, 0, 0, 0, ""}, // loaded now: listed for boot as well
        {"--INSTALL", "", ENOENT, 0, 0, 0, ""},
        {"--Install", "", ENOENT, 0x101, 0, 1, "Driver installation error 101\n"},
        {"--install", "", 0, EACCES, 0, 13, "Driver installation error D\n"}, // loaded, boot file not written
        {"--install", "", ENOENT, 0x1FF, 0, 255, "Driver installation error 1FF\n"},
        {"--install", "", ENOENT, 0x200, 0, 1, "Driver installation error 200\n"}, // never exits 0 on failure
        {"--uninstall", "", 0, 0, 0, 0, ""},
        {"--UNINSTALL", "", 0, 0, EISDIR, 1, "Driver removal error 15\n"},
        {"--installer", "", 0, 0, 0, 1, "unknown command\n"},
        {"--demos", "", 0, 0, 0, 1, "unknown command\n"},
        {"-demo", "", 0, 0, 0, 1, "unknown command\n"},
        {"--appdir", "/unused", 0, 0, 0, 0, "/unused"},
        {"--appdir", "", 0, 0, 0, 1, ""}, // no folder: the log has said why
        {"--DeMo", "", 0, 0, 0, 0, ""}, // a start, not a command: nothing to do here
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(std::string(row.argument) + " " + row.output);
        FakeDdcBus bus;
        bus.initResult = row.init;
        bus.installResults = {row.install};
        bus.uninstallResult = row.uninstall;
        testing::internal::CaptureStdout();
        EXPECT_EQ(RunMaintenanceCommand(row.argument, row.folder, &bus), row.status);
        fflush(stdout);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), row.output);
        const StartCommand command = FirstArgumentCommand(row.argument);
        EXPECT_EQ(bus.installPaths, std::vector<std::string>(command == StartCommand::INSTALL ? 1 : 0, "(none)"));
        EXPECT_EQ(EndsTheProcess(command), command != StartCommand::DEMO);
    }
}

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
    EXPECT_EQ(ReadWholeFile(paths.bootFile), "i2c-dev\n");
    EXPECT_EQ(UninstallI2CDriver(bus), 0);
    EXPECT_FALSE(FileExists(paths.bootFile));
    EXPECT_EQ(InstallI2CDriver(bus, nullptr), 0);
    EXPECT_EQ(ReadWholeFile(paths.bootFile), "i2c-dev\n") << "the next boot would not load the module";
    EXPECT_EQ(ReadWholeFile(root.File("calls")), "i2c-dev\ni2c-dev\n");
}

} // namespace
