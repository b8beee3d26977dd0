// The driver commands of the command line, in-process on a scripted bus: the
// real system's module loader and /etc are never touched by the tests.

#include "app/commandline.h"

#include "support/core/fake_ddc_bus.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>

namespace {

struct Outcome
{
    int status;
    std::string output;
};

Outcome RunCommand(const char* argument, FakeDdcBus& bus)
{
    testing::internal::CaptureStdout();
    const int status = RunMaintenanceCommand(argument, "/unused", &bus);
    fflush(stdout);
    return {status, testing::internal::GetCapturedStdout()};
}

TEST(DriverCommands, InstallSucceedsSilently)
{
    FakeDdcBus working;
    Outcome outcome = RunCommand("--install", working);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.output, "");
    EXPECT_EQ(working.installPaths, std::vector<std::string>{"(none)"}); // made permanent as well

    FakeDdcBus missing;
    missing.initResult = ENOENT;
    outcome = RunCommand("--INSTALL", missing);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.output, "");
    EXPECT_EQ(missing.installPaths, std::vector<std::string>{"(none)"});
}

TEST(DriverCommands, FailedInstallPrintsTheCodeAndNeverExitsZero)
{
    const struct
    {
        int code;
        const char* output;
        int status;
    } cases[] = {
        {0x101, "Driver installation error 101\n", 1},
        {EACCES, "Driver installation error D\n", 13},
        {0x1FF, "Driver installation error 1FF\n", 255},
        {0x100, "Driver installation error 100\n", 1}, // low 8 bits 0
        {0x200, "Driver installation error 200\n", 1},
    };
    for (const auto& c : cases)
    {
        FakeDdcBus bus;
        bus.initResult = ENOENT;
        bus.installResults = {c.code};
        const Outcome outcome = RunCommand("--Install", bus);
        EXPECT_EQ(outcome.status, c.status) << c.code;
        EXPECT_EQ(outcome.output, c.output) << c.code;
    }
}

TEST(DriverCommands, UninstallPrintsItsErrorAndExitsOneOnFailure)
{
    FakeDdcBus bus;
    Outcome outcome = RunCommand("--uninstall", bus);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.output, "");
    EXPECT_EQ(bus.uninstallCalls, 1);

    bus.uninstallResult = EISDIR;
    outcome = RunCommand("--UNINSTALL", bus);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.output, "Driver removal error 15\n");
}

TEST(DriverCommands, OtherArgumentsDoNotTouchTheBus)
{
    FakeDdcBus bus;
    Outcome outcome = RunCommand("--installer", bus);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.output, "unknown command\n");
    outcome = RunCommand("--appdir", bus);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.output, "/unused");
    EXPECT_EQ(bus.initCalls, 0);
    EXPECT_EQ(bus.uninstallCalls, 0);
}

} // namespace
