// Black-box runs of the built program: HOME points at a fresh folder, so each
// run is a first start on a new account. Logout and shutdown reach it through
// real protocol partners (a libSM session manager, a private D-Bus with a
// fake logind), and it then runs on the simulated control box's
// pseudo-terminal.

// GoogleTest first: the X headers define Bool as a macro.
#include <gtest/gtest.h>

#include "app/singleinstance.h"
#include "platform/instancelock.h"

#include "support/core/child_process.h"
#include "support/core/mqtt_broker.h"
#include "support/core/panel_simulator.h"
#include "support/core/temp_dir.h"
#include "support/gui/fake_login_manager.h"
#include "support/gui/gui_helpers.h"
#include "support/gui/test_session_manager.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace {

namespace fs = std::filesystem;
using Bytes = PanelSimulator::Bytes;
using Stdout = ChildProcess::Stdout;

const Bytes POWER_ON = {0x41, 0x03, 0x01, 0x8F, 0x11};
const Bytes POWER_OFF = {0x41, 0x03, 0x02, 0x8F, 0x1B};
const Bytes STATUS_QUERY = {0x51, 0x02, 0x66, 0x09};

int CountOf(const std::string& text, const std::string& part)
{
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

class Program : public testing::Test
{
protected:
    // The program (argv[0]) with these changes to its environment, on this
    // process's display, without a session manager or a system bus.
    std::unique_ptr<ChildProcess> Launch(std::vector<std::string> argv, ChildProcess::Env env = {},
                                         Stdout to = Stdout::FILE)
    {
        const char* display = getenv("DISPLAY");
        env.insert(env.begin(), {{"HOME", home.Path()},
                                 {"XDG_DATA_HOME", ""},
                                 {"XDG_RUNTIME_DIR", home.Path()},
                                 {"DISPLAY", display ? display : ""},
                                 {"WAYLAND_DISPLAY", ""},
                                 {"SESSION_MANAGER", ""},
                                 {"DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + home.File("no-bus")}});
        auto child = std::make_unique<ChildProcess>(std::move(argv), env, home.File("out.txt"), to);
        EXPECT_TRUE(child->Start());
        return child;
    }

    bool Logs(ChildProcess& child, const std::string& text, int times = 1, int timeoutMs = 20000)
    {
        return WaitUntil([&] { return CountOf(child.Output(), text) >= times; }, timeoutMs);
    }

    static void EndsCleanly(ChildProcess& child, int signal = SIGTERM, int timeoutMs = 15000)
    {
        ASSERT_TRUE(child.Signal(signal));
        EXPECT_TRUE(child.Wait(timeoutMs)) << "the program did not end\n" << child.Output();
        EXPECT_EQ(child.ExitStatus(), 0) << child.Output();
    }

    bool Received(const Bytes& wanted) const
    {
        const std::vector<Bytes> requests = sim.Requests();
        return std::find(requests.begin(), requests.end(), wanted) != requests.end();
    }

    // A user file with the projector "Room 1" and these commands, chosen.
    bool ChooseRoom1(const std::string& commands)
    {
        fs::create_directories(dataFolder);
        return WriteWholeFile(dataFolder + "/CustomList.txt", "version: 1.0\nprojector: Room 1\n" + commands) &&
               WriteWholeFile(settingsFile, "[Files]\nName2=" + dataFolder + "/CustomList.txt\n[Proj]\nDefault=Room 1\n");
    }

    TempDir home;
    std::string dataFolder = home.File(".local/share/AulavoxTech");
    std::string settingsFile = dataFolder + "/AulavoxKesto.ini";
    PanelSimulator sim;
};

TEST_F(Program, CommandsEndWithoutAWindow)
{
    const std::string unknown = "unknown command\n", display = getenv("DISPLAY") ? getenv("DISPLAY") : "";
    const std::string freshHome = home.File("new-account"), freshFolder = freshHome + "/.local/share/AulavoxTech";
    const std::string lockedHome = home.File("locked"), lockedFolder = lockedHome + "/.local/share/AulavoxTech";
    fs::create_directories(lockedFolder + "/.AulavoxKesto.lock");
    const struct
    {
        std::vector<std::string> args;
        ChildProcess::Env env; // without a display unless given
        Stdout to;
        int status;
        std::string out, err;
    } rows[] = {
        {{"--appdir", "--second-is-ignored"}, {{"DISPLAY", display}}, Stdout::FILE, 0, dataFolder, ""},
        {{"--AppDir"}, {}, Stdout::FILE, 0, dataFolder, ""},
        {{"--frobnicate"}, {{"DISPLAY", display}}, Stdout::FILE, 1, unknown, ""},
        {{""}, {}, Stdout::FILE, 1, unknown, ""},
        // The toolkit's own options are arguments like any other.
        {{"--class=X", "--appdir"}, {}, Stdout::FILE, 1, unknown, ""},
        {{"--display=:0", "--appdir"}, {}, Stdout::FILE, 1, unknown, ""},
        // Not valid UTF-8, nor a keyword in any character set.
        {{"--appdir\xff"}, {}, Stdout::FILE, 1, unknown, ""},
        {{"\xfe\xff--appdir"}, {}, Stdout::FILE, 1, unknown, ""},
        // Output that cannot be written is no success.
        {{"--appdir"}, {}, Stdout::CLOSED, 1, "", "unable to write to standard output: Bad file descriptor\n"},
        {{"--appdir"}, {}, Stdout::FULL, 1, "", "unable to write to standard output: No space left on device\n"},
        // A first run on an account whose home folder does not exist yet: the
        // answer alone on standard output.
        {{"--appdir"}, {{"HOME", freshHome}, {"XDG_RUNTIME_DIR", ""}}, Stdout::FILE, 0, freshFolder, ""},
        // No lock where a folder is in its place: the command's log line goes
        // to standard error, its answer stays alone.
        {{"--appdir"},
         {{"HOME", lockedHome}},
         Stdout::FILE,
         0,
         lockedFolder,
         "Warning: unable to make the single-instance lock '" + lockedFolder +
             "/.AulavoxKesto.lock': Is a directory; a second copy of the program is not kept out\n"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(testing::PrintToString(row.args) + " " + testing::PrintToString(row.env) + " stdout " +
                     std::to_string(static_cast<int>(row.to)));
        std::vector<std::string> argv = row.args;
        argv.insert(argv.begin(), KESTO_EXECUTABLE);
        ChildProcess::Env env = {{"DISPLAY", ""}};
        env.insert(env.end(), row.env.begin(), row.env.end());
        auto child = Launch(argv, env, row.to);
        EXPECT_TRUE(child->Wait(20000));
        EXPECT_EQ(child->ExitStatus(), row.status);
        EXPECT_EQ(child->Output(), row.out);
        EXPECT_EQ(child->Errors(), row.err);
    }
    EXPECT_FALSE(FileExists(settingsFile));
}

TEST_F(Program, SecondCopyWithoutADisplayIsRefusedOnStandardError)
{
    // This test process plays the first copy; the second is kept off the
    // same data folder whatever its runtime folder.
    fs::create_directories(dataFolder);
    InstanceLock first;
    ASSERT_EQ(first.Take(dataFolder, "AulavoxKesto"), InstanceLock::TAKEN);
    const std::pair<const char*, std::string> rows[] = {
        {"--appdir", home.Path()}, {"--install", ""}, {"--frobnicate", home.File("elsewhere")}};
    for (const auto& [command, runtime] : rows)
    {
        auto child = Launch({KESTO_EXECUTABLE, command}, {{"DISPLAY", ""}, {"XDG_RUNTIME_DIR", runtime}});
        EXPECT_TRUE(child->Wait(20000));
        EXPECT_EQ(child->ExitStatus(), 1) << command;
        EXPECT_EQ(child->Errors(), "Another instance of AulavoxKesto is already running\n") << command;
        EXPECT_EQ(child->Output(), "") << command;
    }
    EXPECT_FALSE(FileExists(settingsFile)) << "nothing runs after the refusal";
}

TEST_F(Program, FirstStartWritesTheSettingsHoldsTheLockAndSignalsEndItCleanly)
{
    // The handler is in place before the file is written: a signal that comes
    // before the event loop runs is handled once it does. A closed standard
    // output does not stop the program.
    for (const auto& [signal, to] : {std::pair{SIGTERM, Stdout::CLOSED}, std::pair{SIGINT, Stdout::FILE}})
    {
        SCOPED_TRACE("signal " + std::to_string(signal));
        std::remove(settingsFile.c_str());
        auto child = Launch({KESTO_EXECUTABLE}, {}, to);
        ASSERT_TRUE(WaitUntil([&] { return FileExists(settingsFile); })) << child->Output();
        const std::string settings = ReadWholeFile(settingsFile);
        EXPECT_NE(settings.find("Password=lemon\n"), std::string::npos) << settings;
        // This test process, started now as a second copy, is refused in a box.
        InstanceLock second, third;
        ASSERT_EQ(second.Take(dataFolder, "AulavoxKesto"), InstanceLock::HELD_BY_ANOTHER);
        wxTEST_DIALOG(ShowSecondInstanceBox("AulavoxKesto"),
                      ExpectMessageBox("Another instance of AulavoxKesto is already running", "Instance Error"));
        EndsCleanly(*child, signal);
        EXPECT_EQ(ReadWholeFile(settingsFile), settings);
        // Neither a session manager nor a system bus: the log says so once.
        for (const char* line : {"Debug2: no session manager", "Debug2: no system bus"})
            EXPECT_EQ(CountOf(child->Output(), line), to == Stdout::FILE ? 1 : 0) << line << "\n" << child->Output();
        EXPECT_EQ(third.Take(dataFolder, "AulavoxKesto"), InstanceLock::TAKEN) << "the lock went with the program";
    }
}

TEST_F(Program, ToolkitComplaintsGoToTheLogAndASignalEndsItWithAMessageBoxOpen)
{
    // Settings the toolkit's parser complains about, and an automatic check at
    // start-up that reads the user file again and reports its warning in a
    // message box: the signal comes while the box is open.
    const std::string userFile = dataFolder + "/CustomList.txt";
    fs::create_directories(dataFolder);
    ASSERT_TRUE(WriteWholeFile(userFile, "version: 1.0\r\nprojector: X\r\nC, On\r\n"));
    ASSERT_TRUE(WriteWholeFile(settingsFile, "[Options]\njust some words\n=x\n[Options]\nPassword=kept\n[Options]\n"
                                             "[Files]\nName2=" + userFile + "\nURL2=file://" + userFile +
                                                 "\n[StartUp]\nAutoCheck=1\n"));
    auto child = Launch({KESTO_EXECUTABLE});
    // Warned twice: by the quiet read at start-up and by the read after the check.
    ASSERT_TRUE(Logs(*child, "Warning: ReadSource: data line must have 3 parameters", 2)) << child->Output();
    // Written again once the start-up got that far, keeping what it could read.
    EXPECT_TRUE(WaitUntil([&] { return ReadWholeFile(settingsFile).find("FreezeDelay=500") != std::string::npos; }));
    EXPECT_NE(ReadWholeFile(settingsFile).find("Password=kept"), std::string::npos);
    // The toolkit's parser errors and its failed assertions, as log lines.
    for (const std::string& line : {"Error: file '" + settingsFile + "', line 2: '=' expected.\n",
                                    std::string("Error: assertion \"!strName.empty()\" failed in "),
                                    std::string("Error: assertion \"!m_pParent || !m_pLine || !pLine\" failed in ")})
        EXPECT_NE(child->Output().find(line), std::string::npos) << line << "\n" << child->Output();
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // let the box open
    EndsCleanly(*child, SIGTERM, 5000);
}

TEST_F(Program, TheTryOutRunFindsItsFilesAndLooksForNoBox)
{
    // The source folder as working folder, a data folder whose user file is
    // the shipped one with its first projector chosen, demo mode. (The
    // installed program is checked by the package's round trip.)
    fs::create_directories(dataFolder);
    fs::copy_file(KESTO_SOURCE_DIR "/data/AulavoxMaster.txt", dataFolder + "/CustomList.txt");
    ASSERT_TRUE(WriteWholeFile(settingsFile, "[Proj]\nDefault=Epson ESC/VP21\n"));
    auto child = Launch({"/bin/sh", "-c", "cd \"$0\" && exec \"$@\"", KESTO_SOURCE_DIR, KESTO_EXECUTABLE, "--DEMO", "--x"});
    EXPECT_TRUE(Logs(*child, "reading projector file")) << child->Output();
    // Without demo mode the start-up's search would say so by now.
    EXPECT_FALSE(Logs(*child, "unable to find Aulavox control panel", 1, 1000)) << child->Output();
    EndsCleanly(*child);
    EXPECT_EQ(CountOf(child->Output(), "cannot load picture") + CountOf(child->Output(), "unknown command"), 0)
        << child->Output();
    EXPECT_NE(ReadWholeFile(settingsFile).find("\nURL1=file://" KESTO_SOURCE_DIR "/data/AulavoxMaster.txt\n"),
              std::string::npos);
}

TEST_F(Program, ACampusRoomKilledIsOfflineThroughItsWill)
{
    // Catches: no last will, or one on another topic or not retained.
    MqttBroker broker;
    ASSERT_TRUE(broker.Start());
    fs::create_directories(dataFolder);
    ASSERT_TRUE(WriteWholeFile(settingsFile, "[Campus]\nEnabled=1\nBroker=" + broker.Url() + "\nRoom=r9\n"));
    auto child = Launch({KESTO_EXECUTABLE, "--demo"});
    MqttWatcher watcher;
    ASSERT_TRUE(watcher.Start(broker.Port(), "aulavox/#"));
    ASSERT_TRUE(watcher.WaitForText("aulavox/r9/state", "\"link\":\"demo\"")) << child->Output();
    EXPECT_EQ(watcher.Last("aulavox/r9/status"), "online");
    ASSERT_TRUE(child->Signal(SIGKILL));
    EXPECT_TRUE(child->Wait(10000));
    EXPECT_TRUE(watcher.WaitForText("aulavox/r9/status", "offline"));
    MqttWatcher late; // retained for whoever looks later
    ASSERT_TRUE(late.Start(broker.Port(), "aulavox/r9/status"));
    EXPECT_TRUE(late.WaitForText("aulavox/r9/status", "offline"));
}

TEST_F(Program, ShutdownAndLogoutTurnTheRoomOffBeforeTheyGoOn)
{
    TestSessionManager manager;
    FakeLoginManager logind;
    std::string error;
    ASSERT_TRUE(manager.Start(error) && logind.Start(error)) << error;
    // The port program on the simulated box, the projector on.
    ASSERT_TRUE(sim.Start());
    sim.SetStatus({1, 1, 10, 0, 0, 0});
    ASSERT_TRUE(ChooseRoom1("C, On, PWR1<cr>\n"));
    auto child = Launch({KESTO_PORT_PROGRAM}, {{"SESSION_MANAGER", manager.Address()},
                                               {"DBUS_SYSTEM_BUS_ADDRESS", logind.Address()},
                                               {"KESTO_TEST_PORT", sim.Path()}});
    const auto served = [&](const std::function<bool()>& condition, int timeoutMs) {
        return WaitUntil(
            [&] {
                manager.Serve();
                logind.Serve();
                return condition();
            },
            timeoutMs);
    };
    ASSERT_TRUE(served([&] { return manager.registered && logind.inhibitCalls == 1 && Received(STATUS_QUERY); }, 20000))
        << child->Output();
    EXPECT_EQ(manager.restartStyleHint, SmRestartNever);
    EXPECT_EQ(logind.lastInhibit.substr(0, 9), "shutdown|");
    EXPECT_EQ(logind.lastInhibit.substr(logind.lastInhibit.size() - 6), "|delay");
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // the status reply is taken in
    sim.ClearReceived();

    // The shutdown: the power-off reaches the box before the delay lock goes.
    ASSERT_TRUE(logind.LockHeld());
    ASSERT_TRUE(logind.EmitPrepareForShutdown(true));
    bool offFirst = false;
    ASSERT_TRUE(served(
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
    EXPECT_TRUE(served([&] { return logind.inhibitCalls == 2 && logind.LockHeld(); }, 10000));
    sim.ClearReceived();

    // The logout: nobody answers the question, the count-down runs out, then
    // the power-off, before the save is done; the program waits for the last word.
    manager.SaveYourself(SmInteractStyleAny);
    ASSERT_TRUE(served([&] { return manager.saveDones == 1; }, 30000)) << child->Output();
    EXPECT_TRUE(Received(POWER_OFF));
    EXPECT_EQ(manager.interactDones, 1);
    EXPECT_FALSE(manager.lastCancelShutdown) << "the logout is not cancelled";
    EXPECT_TRUE(child->Running());
    manager.Die();
    ASSERT_TRUE(served([&] { return !child->Running(); }, 15000)) << child->Output();
    EXPECT_EQ(child->ExitStatus(), 0) << child->Output();
    EXPECT_NE(ReadWholeFile(settingsFile).find("FreezeDelay=500\n"), std::string::npos);
}

TEST_F(Program, SignalAndLogoutEndADialogInsideTheConfiguration)
{
    // Each dialog opened inside the configuration: a signal or the session
    // manager's last word once left the program hanging in the
    // configuration's loop, its settings never written.
    ASSERT_TRUE(sim.Start());
    fs::create_directories(dataFolder);
    const std::string userFile = dataFolder + "/CustomList.txt";
    ASSERT_TRUE(WriteWholeFile(userFile, "version: 1.0\nprojector: Room 1\nC, On, PWR1<cr>\n"));
    const struct
    {
        const char* button; // opens the dialog inside
        const char* dialog;
        bool logout; // else SIGTERM; the projector is on for a logout, off for the signal
    } rows[] = {
        {"New", "modal: wxDialog", false},  {"Push", "modal: wxGenericMessageDialog", false},
        {"...", "modal: wxFileDialog", false}, {"New", "modal: wxDialog", true},
        {"Push", "modal: wxGenericMessageDialog", true}, {"...", "modal: wxFileDialog", true},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(std::string(row.button) + (row.logout ? " logout" : " SIGTERM"));
        ASSERT_TRUE(WriteWholeFile(settingsFile, "[Files]\nName2=" + userFile +
                                                     "\n[Proj]\nDefault=Room 1\n[Options]\nPassword=harbor\n"));
        sim.SetStatus({static_cast<uint8_t>(row.logout ? 1 : 2), 1, 10, 0, 0, 0});
        TestSessionManager manager;
        std::string error;
        ASSERT_TRUE(manager.Start(error)) << error;
        auto child = Launch({KESTO_PORT_PROGRAM}, {{"SESSION_MANAGER", manager.Address()},
                                                   {"KESTO_TEST_PORT", sim.Path()},
                                                   {"KESTO_TEST_NESTED", row.button}});
        const auto served = [&](const std::function<bool()>& condition) {
            return WaitUntil([&] {
                manager.Serve();
                return condition();
            });
        };
        ASSERT_TRUE(served([&] { return manager.registered && Received(STATUS_QUERY); })) << child->Output();
        std::this_thread::sleep_for(std::chrono::milliseconds(300)); // the status reply is taken in
        ASSERT_TRUE(child->Signal(SIGUSR1));
        ASSERT_TRUE(served([&] { return CountOf(child->Errors(), "modal: ") >= 2; })) << child->Errors();
        EXPECT_NE(child->Errors().find(row.dialog), std::string::npos) << child->Errors();
        sim.ClearReceived();
        if (row.logout)
        {
            manager.SaveYourself(SmInteractStyleNone);
            ASSERT_TRUE(served([&] { return manager.saveDones == 1; })) << child->Output();
            EXPECT_TRUE(Received(POWER_OFF)) << "the room is turned off first";
            manager.Die();
        }
        else
            ASSERT_TRUE(child->Signal(SIGTERM));
        EXPECT_TRUE(served([&] { return !child->Running(); })) << child->Output() << child->Errors();
        EXPECT_EQ(child->ExitStatus(), 0) << child->Output();
        const std::string settings = ReadWholeFile(settingsFile);
        EXPECT_NE(settings.find("FreezeDelay=500\n"), std::string::npos) << settings;
        EXPECT_NE(settings.find("Password=harbor\n"), std::string::npos) << settings;
    }
}

// The window as a screen reader gets it, over the desktop's accessibility
// bus (a private session bus and its own accessibility bus): would catch a
// picture control left a nameless panel, one that Tab skips or reaches out
// of the order seen, Space not pressing it, or its lit state not told.
TEST_F(Program, AScreenReaderFindsEveryControlAndPressesOnByKeyboard)
{
    ASSERT_TRUE(sim.Start());
    sim.SetStatus({2, 1, 10, 0, 0, 0}); // off
    ASSERT_TRUE(ChooseRoom1("C, On, PWR1<cr>\nC, Freeze, FRZ<cr>\n"));
    // GTK talks to the bus unless told not to; the shell of a CI runner may.
    auto child = Launch({"/usr/bin/dbus-run-session", "--", "/usr/bin/python3", KESTO_SOURCE_DIR "/tests/support/program/a11y_probe.py",
                         "Aulavox Virtual Control Panel", KESTO_PORT_PROGRAM},
                        {{"KESTO_TEST_PORT", sim.Path()}, {"NO_AT_BRIDGE", ""}, {"GTK_A11Y", ""}});
    // The box turns on when told to, as a real one does.
    EXPECT_TRUE(WaitUntil([&] { return Received(POWER_ON) || !child->Running(); }, 60000)) << child->Output();
    sim.SetStatus({1, 1, 10, 0, 0, 0});
    ASSERT_TRUE(child->Wait(60000)) << child->Output();
    const std::string out = "\n" + child->Output();
    if (out.find("\nskip ") != std::string::npos)
        GTEST_SKIP() << "the accessibility bus cannot start:" << out;
    EXPECT_EQ(child->ExitStatus(), 0) << out;
    for (const char* node : {"push button|On|", "push button|Freeze|", "push button|Off|", "push button|Blank Screen|",
                             "push button|Volume down|", "slider|Volume|", "push button|Volume up|",
                             "push button|Mute|", "push button|Comp 1|", "push button|VCR/DVD|",
                             "push button|Comp 2/Doc|", "panel|Power|", "panel|Volume|", "panel|Source|"})
        EXPECT_NE(out.find(std::string("\nnode ") + node), std::string::npos) << node << out;
    ASSERT_NE(out.find("\nlit "), std::string::npos) << out;
    EXPECT_NE(out.substr(out.find("\nlit ")).find("checked"), std::string::npos) << out;
    // After "On": the rest of the window in the order seen, round to "On".
    std::vector<std::string> order;
    for (size_t at = out.find("\nfocus ", out.find("\nlit ")); at != std::string::npos; at = out.find("\nfocus ", at + 1))
        order.push_back(out.substr(at + 7, out.find('\n', at + 1) - at - 7));
    const std::vector<std::string> seen = {"push button|Freeze", "push button|Off", "push button|Blank Screen",
                                           "push button|Volume down", "slider|Volume", "push button|Volume up",
                                           "push button|Mute", "push button|Comp 1", "push button|VCR/DVD",
                                           "push button|Comp 2/Doc"};
    ASSERT_GT(order.size(), seen.size()) << out;
    EXPECT_EQ(std::vector<std::string>(order.begin(), order.begin() + seen.size()), seen) << out;
    EXPECT_EQ(order.back(), "push button|On") << out;
    EXPECT_NE(out.find("\nend 0\n"), std::string::npos) << "the program ended cleanly\n" << out;
}

} // namespace
