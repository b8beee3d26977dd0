// The driver commands of the command line, in-process on a scripted bus: the
// real system's module loader and /etc are never touched by the tests.

#include "app/commandline.h"

#include "support/core/fake_ddc_bus.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>

namespace {

TEST(DriverCommands, StatusAndOutputOfEachCommand)
{
    const struct
    {
        const char* argument;
        int init, install, uninstall;
        int status;
        const char* output;
    } rows[] = {
        {"--install", 0, 0, 0, 0, ""}, // already working
        {"--INSTALL", ENOENT, 0, 0, 0, ""},
        {"--Install", ENOENT, 0x101, 0, 1, "Driver installation error 101\n"},
        {"--install", ENOENT, EACCES, 0, 13, "Driver installation error D\n"},
        {"--install", ENOENT, 0x1FF, 0, 255, "Driver installation error 1FF\n"},
        {"--install", ENOENT, 0x200, 0, 1, "Driver installation error 200\n"}, // never exits 0 on failure
        {"--uninstall", 0, 0, 0, 0, ""},
        {"--UNINSTALL", 0, 0, EISDIR, 1, "Driver removal error 15\n"},
        {"--installer", 0, 0, 0, 1, "unknown command\n"},
        {"--appdir", 0, 0, 0, 0, "/unused"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(std::string(row.argument) + " " + row.output);
        FakeDdcBus bus;
        bus.initResult = row.init;
        bus.installResults = {row.install};
        bus.uninstallResult = row.uninstall;
        testing::internal::CaptureStdout();
        EXPECT_EQ(RunMaintenanceCommand(row.argument, "/unused", &bus), row.status);
        fflush(stdout);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), row.output);
    }
}

} // namespace
