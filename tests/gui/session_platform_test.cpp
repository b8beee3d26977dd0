// Logout and shutdown reach the built program through real protocol
// partners: a libSM session manager and a private D-Bus with a fake logind.
// The program runs on the simulated control box's pseudo-terminal.

// GoogleTest first: the X headers define Bool as a macro.
#include <gtest/gtest.h>

#include "support/core/child_process.h"
#include "support/core/panel_simulator.h"
#include "support/core/temp_dir.h"
#include "support/gui/fake_login_manager.h"
#include "support/gui/test_session_manager.h"

#include <csignal>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

using Bytes = PanelSimulator::Bytes;

const Bytes POWER_OFF = {0x41, 0x03, 0x02, 0x8F, 0x1B};
const Bytes STATUS_QUERY = {0x51, 0x02, 0x66, 0x09};

class SessionPlatform : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim.Start());
        ASSERT_EQ(system(("mkdir -p '" + dataFolder + "'").c_str()), 0);
        ASSERT_TRUE(WriteWholeFile(projectorFile, "version: 1.0\nprojector: Room 1\nC, On, PWR1<cr>\n"));
        ASSERT_TRUE(WriteWholeFile(settingsFile, "[Files]\nName2=" + projectorFile + "\n[Proj]\nDefault=Room 1\n"));
    }

    std::unique_ptr<ChildProcess> Launch(ChildProcess::Env extra)
    {
        const char* display = getenv("DISPLAY");
        ChildProcess::Env env = {{"HOME", home.Path()},
                                 {"XDG_DATA_HOME", ""},
                                 {"DISPLAY", display ? display : ""},
                                 {"KESTO_TEST_PORT", sim.Path()},
                                 {"SESSION_MANAGER", ""},
                                 {"DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + home.File("no-bus")}};
        for (const auto& [name, value] : extra)
            for (auto& entry : env)
                if (entry.first == name)
                    entry.second = value;
        auto child = std::make_unique<ChildProcess>(std::vector<std::string>{KESTO_PORT_PROGRAM}, env,
                                                    home.File("out.txt"));
        EXPECT_TRUE(child->Start());
        return child;
    }

    bool Received(const Bytes& wanted) const
    {
        for (const Bytes& request : sim.Requests())
            if (request == wanted)
                return true;
        return false;
    }

    TempDir home;
    std::string dataFolder = home.Path() + "/.local/share/AulavoxTech";
    std::string settingsFile = dataFolder + "/AulavoxKesto.ini";
    std::string projectorFile = dataFolder + "/CustomList.txt";
    PanelSimulator sim;
};

TEST_F(SessionPlatform, LogoutAsksWhileOnTurnsOffBeforeTheSaveIsDoneAndExitsOnDie)
{
    for (bool on : {true, false})
    {
        SCOPED_TRACE(on ? "on" : "off");
        TestSessionManager manager;
        std::string error;
        ASSERT_TRUE(manager.Start(error)) << error;
        sim.SetStatus({static_cast<uint8_t>(on ? 1 : 2), 1, 10, 0, 0, 0});
        auto child = Launch({{"SESSION_MANAGER", manager.Address()}});
        ASSERT_TRUE(manager.PumpUntil([&] { return manager.registered && Received(STATUS_QUERY); }, 20000))
            << child->Output();
        EXPECT_EQ(manager.restartStyleHint, SmRestartNever);
        EXPECT_NE(child->Output().find("Debug2: session manager in use"), std::string::npos) << child->Output();
        std::this_thread::sleep_for(std::chrono::milliseconds(300)); // the status reply is taken in
        sim.ClearReceived();

        manager.SaveYourself(SmInteractStyleAny);
        // Nobody answers the question: the count-down runs out, then the power-off.
        ASSERT_TRUE(manager.PumpUntil([&] { return manager.saveDones == 1; }, on ? 30000 : 5000)) << child->Output();
        EXPECT_EQ(Received(POWER_OFF), on) << "the power-off comes before the save is done, and only when on";
        if (on)
        {
            EXPECT_EQ(manager.interactDones, 1);
            EXPECT_FALSE(manager.lastCancelShutdown) << "the logout is not cancelled";
        }
        EXPECT_TRUE(child->Running()) << "the program waits for the session manager's last word";

        manager.Die();
        ASSERT_TRUE(manager.PumpUntil([&] { return !child->Running(); }, 15000)) << child->Output();
        EXPECT_EQ(child->ExitStatus(), 0) << child->Output();
        EXPECT_NE(ReadWholeFile(settingsFile).find("FreezeDelay=500\n"), std::string::npos);
        sim.ClearReceived();
    }
}

TEST_F(SessionPlatform, ShutdownTurnsOffBeforeLettingGoOfTheLockAndTakesItAgainWhenCalledOff)
{
    FakeLoginManager logind;
    std::string error;
    ASSERT_TRUE(logind.Start(error)) << error;
    sim.SetStatus({1, 1, 10, 0, 0, 0});
    auto child = Launch({{"DBUS_SYSTEM_BUS_ADDRESS", logind.Address()}});
    ASSERT_TRUE(logind.PumpUntil([&] { return logind.inhibitCalls == 1 && Received(STATUS_QUERY); }, 20000))
        << child->Output();
    EXPECT_EQ(logind.lastInhibit.substr(0, 9), "shutdown|");
    EXPECT_EQ(logind.lastInhibit.substr(logind.lastInhibit.size() - 6), "|delay");
    EXPECT_TRUE(logind.LockHeld());
    EXPECT_NE(child->Output().find("Debug2: logind in use"), std::string::npos) << child->Output();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    sim.ClearReceived();

    ASSERT_TRUE(logind.EmitPrepareForShutdown(true));
    bool offFirst = false;
    ASSERT_TRUE(logind.PumpUntil(
        [&] {
            if (logind.LockHeld())
                return false;
            offFirst = Received(POWER_OFF);
            return true;
        },
        10000))
        << child->Output();
    EXPECT_TRUE(offFirst) << "the lock went before the power-off reached the box";

    // Called off: the lock is taken again for the next shutdown.
    ASSERT_TRUE(logind.EmitPrepareForShutdown(false));
    EXPECT_TRUE(logind.PumpUntil([&] { return logind.inhibitCalls == 2 && logind.LockHeld(); }, 10000));

    // The program is still running; it ends as usual.
    sim.SetStatus({2, 1, 10, 0, 0, 0});
    std::this_thread::sleep_for(std::chrono::milliseconds(1500)); // a status poll sees it off
    ASSERT_TRUE(child->Signal(SIGTERM));
    ASSERT_TRUE(child->Wait(10000)) << child->Output();
    EXPECT_EQ(child->ExitStatus(), 0);
}

TEST_F(SessionPlatform, TerminationSignalWhileOnCountsDownTurnsOffAndExitsInOrder)
{
    sim.SetStatus({1, 1, 10, 0, 0, 0});
    auto child = Launch({});
    ASSERT_TRUE(sim.WaitForRequests(2, 20000)) << child->Output();
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // the status reply is taken in
    sim.ClearReceived();

    ASSERT_TRUE(child->Signal(SIGTERM));
    // Nobody answers: ten seconds of count-down, then the power-off.
    std::this_thread::sleep_for(std::chrono::seconds(5));
    EXPECT_FALSE(Received(POWER_OFF)) << "not before the count-down ran out";
    ASSERT_TRUE(child->Wait(20000)) << child->Output();
    EXPECT_EQ(child->ExitStatus(), 0) << child->Output();
    EXPECT_TRUE(Received(POWER_OFF));
    EXPECT_NE(ReadWholeFile(settingsFile).find("FreezeDelay=500\n"), std::string::npos);
    // Neither a session manager nor a system bus: the log says so once.
    const std::string out = child->Output();
    for (const char* line : {"Debug2: no session manager", "Debug2: no system bus"})
    {
        const size_t first = out.find(line);
        EXPECT_NE(first, std::string::npos) << line << "\n" << out;
        EXPECT_EQ(out.find(line, first + 1), std::string::npos) << "once: " << line;
    }
}

} // namespace
