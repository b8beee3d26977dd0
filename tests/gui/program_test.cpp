// Black-box runs of the built program: HOME points at a fresh folder, so each
// run is a first start on a new account. Logout and shutdown reach it through
// real protocol partners (a libSM session manager, a private D-Bus with
// dbusmock's logind), and it then runs on the simulated control box's
// pseudo-terminal.

// GoogleTest first: the X headers define Bool as a macro.
#include <gtest/gtest.h>

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
const std::string DISPLAY = getenv("DISPLAY") ? getenv("DISPLAY") : "";

int CountOf(const std::string& text, const std::string& part)
{
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

class Program : public testing::Test
{
protected:
    // The program (argv[0]) with these changes to its environment, on this
    // process's display, without a session manager or a system bus.
    std::unique_ptr<ChildProcess> Launch(std::vector<std::string> argv, ChildProcess::Env env = {},
                                         Stdout to = Stdout::FILE)
    {
        env.insert(env.begin(), {{"HOME", home.Path()},
                                 {"XDG_DATA_HOME", ""},
                                 {"XDG_RUNTIME_DIR", home.Path()},
                                 {"DISPLAY", DISPLAY},
                                 {"WAYLAND_DISPLAY", ""},
                                 {"SESSION_MANAGER", ""},
                                 {"DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + home.File("no-bus")}});
        auto child = std::make_unique<ChildProcess>(std::move(argv), env, home.File("out.txt"), to);
        EXPECT_TRUE(child->Start());
        return child;
    }

    static void EndsCleanly(ChildProcess& child)
    {
        ASSERT_TRUE(child.Signal(SIGTERM));
        EXPECT_TRUE(child.Wait(15000)) << "the program did not end\n" << child.Output();
        EXPECT_EQ(child.ExitStatus(), 0) << child.Output();
    }

    bool Received(const Bytes& wanted) const
    {
        const std::vector<Bytes> requests = sim.Requests();
        return std::find(requests.begin(), requests.end(), wanted) != requests.end();
    }

    // A user file with the projector "Room 1" and these commands, chosen; these settings besides.
    bool ChooseRoom1(const std::string& commands, const std::string& settings = "")
    {
        fs::create_directories(dataFolder);
        return WriteWholeFile(userFile, "version: 1.0\nprojector: Room 1\n" + commands) &&
               WriteWholeFile(settingsFile, "[Files]\nName2=" + userFile + "\n[Proj]\nDefault=Room 1\n" + settings);
    }

    // Waits for the condition, serving the session manager and logind meanwhile.
    bool Served(const std::function<bool()>& condition, TestSessionManager& manager, FakeLoginManager* logind = nullptr)
    {
        return WaitUntil(
            [&] {
                manager.Serve();
                if (logind)
                    logind->Serve();
                return condition();
            },
            30000);
    }

    TempDir home;
    std::string dataFolder = home.File(".local/share/AulavoxTech");
    std::string settingsFile = dataFolder + "/AulavoxKesto.ini", userFile = dataFolder + "/CustomList.txt";
    PanelSimulator sim;
};

TEST_F(Program, CommandsEndWithoutAWindow)
{
    const std::string unknown = "unknown command\n";
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
        {{"--appdir", "--second-is-ignored"}, {{"DISPLAY", DISPLAY}}, Stdout::FILE, 0, dataFolder, ""},
        {{"--AppDir"}, {}, Stdout::FILE, 0, dataFolder, ""},
        {{"--frobnicate"}, {{"DISPLAY", DISPLAY}}, Stdout::FILE, 1, unknown, ""},
        {{""}, {}, Stdout::FILE, 1, unknown, ""},
        {{"--display=:0", "--appdir"}, {}, Stdout::FILE, 1, unknown, ""}, // the toolkit's options are arguments too
        {{"--appdir\xff"}, {}, Stdout::FILE, 1, unknown, ""}, // not valid UTF-8, nor a keyword in any character set
        // Output that cannot be written is no success.
        {{"--appdir"}, {}, Stdout::CLOSED, 1, "", "unable to write to standard output: Bad file descriptor\n"},
        {{"--appdir"}, {}, Stdout::FULL, 1, "", "unable to write to standard output: No space left on device\n"},
        // A first run on an account whose home folder does not exist yet: the answer alone.
        {{"--appdir"}, {{"HOME", freshHome}, {"XDG_RUNTIME_DIR", ""}}, Stdout::FILE, 0, freshFolder, ""},
        // No lock where a folder is in its place: the log line goes to standard error.
        {{"--appdir"}, {{"HOME", lockedHome}}, Stdout::FILE, 0, lockedFolder,
         "Warning: unable to make the single-instance lock '" + lockedFolder +
             "/.AulavoxKesto.lock': Is a directory; a second copy of the program is not kept out\n"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(&row - rows);
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
        SCOPED_TRACE(command);
        auto child = Launch({KESTO_EXECUTABLE, command}, {{"DISPLAY", ""}, {"XDG_RUNTIME_DIR", runtime}});
        EXPECT_TRUE(child->Wait(20000));
        EXPECT_EQ(child->ExitStatus(), 1);
        EXPECT_EQ(child->Errors(), "Another instance of AulavoxKesto is already running\n");
        EXPECT_EQ(child->Output(), "");
    }
    EXPECT_FALSE(FileExists(settingsFile)) << "nothing runs after the refusal";
}

TEST_F(Program, ToolkitComplaintsGoToTheLogAndASignalEndsItWithAMessageBoxOpen)
{
    // Settings the toolkit's parser complains about, and an automatic check at
    // start-up that reads the user file again and reports its warning in a
    // message box: the signal comes while the box is open.
    fs::create_directories(dataFolder);
    ASSERT_TRUE(WriteWholeFile(userFile, "version: 1.0\r\nprojector: X\r\nC, On\r\n"));
    ASSERT_TRUE(WriteWholeFile(settingsFile, "[Options]\njust some words\n=x\n[Options]\nPassword=kept\n[Options]\n"
                                             "[Files]\nName2=" + userFile + "\nURL2=file://" + userFile +
                                                 "\n[StartUp]\nAutoCheck=1\n"));
    auto child = Launch({KESTO_EXECUTABLE});
    // Warned twice: by the quiet read at start-up and by the read after the check.
    ASSERT_TRUE(WaitUntil([&] { return CountOf(child->Output(), "Warning: ReadSource: data line must have 3 parameters") == 2; }, 20000))
        << child->Output();
    // Written again once the start-up got that far, keeping what it could read.
    EXPECT_TRUE(WaitUntil([&] { return Has(ReadWholeFile(settingsFile), "FreezeDelay=500"); }));
    EXPECT_TRUE(Has(ReadWholeFile(settingsFile), "Password=kept"));
    // The toolkit's parser errors and its failed assertions, as log lines.
    for (const std::string& line : {"Error: file '" + settingsFile + "', line 2: '=' expected.\n",
                                    std::string("Error: assertion \"!strName.empty()\" failed in "),
                                    std::string("Error: assertion \"!m_pParent || !m_pLine || !pLine\" failed in ")})
        EXPECT_TRUE(Has(child->Output(), line)) << line << "\n" << child->Output();
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // let the box open
    EndsCleanly(*child);
}

// Catches: no last will, or one on another topic or not retained; and a
// program that a closed standard output stops.
TEST_F(Program, ACampusRoomKilledIsOfflineThroughItsWill)
{
    MqttBroker broker;
    ASSERT_TRUE(broker.Start());
    fs::create_directories(dataFolder);
    ASSERT_TRUE(WriteWholeFile(settingsFile, "[Campus]\nEnabled=1\nBroker=" + broker.Url() + "\nRoom=r9\n"));
    auto child = Launch({KESTO_EXECUTABLE, "--demo"}, {}, Stdout::CLOSED);
    MqttWatcher watcher;
    ASSERT_TRUE(watcher.Start(broker.Port(), "aulavox/#"));
    ASSERT_TRUE(watcher.WaitForText("aulavox/r9/state", "\"link\":\"demo\"")) << child->Errors();
    EXPECT_EQ(watcher.Last("aulavox/r9/status"), "online");
    ASSERT_TRUE(child->Signal(SIGKILL));
    EXPECT_TRUE(child->Wait(10000));
    MqttWatcher late; // retained for whoever looks later
    ASSERT_TRUE(late.Start(broker.Port(), "aulavox/r9/status"));
    EXPECT_TRUE(late.WaitForText("aulavox/r9/status", "offline"));
}

// Catches the room left on by a shutdown (the delay lock let go before the
// power-off, or not taken again when the shutdown is called off) or by a
// logout nobody answers, and a logout cancelled or hanging.
TEST_F(Program, ShutdownAndLogoutTurnTheRoomOffBeforeTheyGoOn)
{
    TestSessionManager manager;
    FakeLoginManager logind;
    std::string error;
    ASSERT_TRUE(manager.Start(error) && logind.Start(error)) << error;
    ASSERT_TRUE(sim.Start());
    sim.SetStatus({1, 1, 10, 0, 0, 0});
    ASSERT_TRUE(ChooseRoom1("C, On, PWR1<cr>\n"));
    auto child = Launch({KESTO_PORT_PROGRAM}, {{"SESSION_MANAGER", manager.Address()},
                                               {"DBUS_SYSTEM_BUS_ADDRESS", logind.Address()},
                                               {"KESTO_TEST_PORT", sim.Path()}});
    ASSERT_TRUE(Served([&] { return manager.registered && logind.LockHeld() && Received(STATUS_QUERY); }, manager,
                       &logind)) << child->Output();
    EXPECT_TRUE(Has(logind.lastInhibit, "[<'shutdown") && Has(logind.lastInhibit, ", <'delay'>])"))
        << logind.lastInhibit;
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // the status reply is taken in
    sim.ClearReceived();

    bool offFirst = false;
    ASSERT_TRUE(logind.EmitPrepareForShutdown(true));
    ASSERT_TRUE(Served([&] { return !logind.LockHeld() && ((offFirst = Received(POWER_OFF)), true); }, manager))
        << child->Output();
    EXPECT_TRUE(offFirst) << "the lock went before the power-off reached the box";
    ASSERT_TRUE(logind.EmitPrepareForShutdown(false));
    EXPECT_TRUE(Served([&] { return logind.inhibitCalls == 2 && logind.LockHeld(); }, manager, &logind));
    sim.ClearReceived();

    // Nobody answers the logout's question: the power-off when the count-down
    // runs out, before the save is done; the program waits for the last word.
    manager.SaveYourself(SmInteractStyleAny);
    ASSERT_TRUE(Served([&] { return manager.saveDones == 1; }, manager)) << child->Output();
    EXPECT_TRUE(Received(POWER_OFF));
    EXPECT_EQ(manager.interactDones, 1);
    EXPECT_FALSE(manager.lastCancelShutdown) << "the logout is not cancelled";
    EXPECT_TRUE(child->Running());
    manager.Die();
    ASSERT_TRUE(Served([&] { return !child->Running(); }, manager)) << child->Output();
    EXPECT_EQ(child->ExitStatus(), 0) << child->Output();
    EXPECT_TRUE(Has(ReadWholeFile(settingsFile), "FreezeDelay=500\n"));
}

TEST_F(Program, SignalAndLogoutEndADialogInsideTheConfiguration)
{
    // Each dialog opened inside the configuration: a signal or the session
    // manager's last word once left the program hanging in the
    // configuration's loop, its settings never written.
    ASSERT_TRUE(sim.Start());
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
        ASSERT_TRUE(ChooseRoom1("C, On, PWR1<cr>\n", "[Options]\nPassword=harbor\n"));
        sim.SetStatus({static_cast<uint8_t>(row.logout ? 1 : 2), 1, 10, 0, 0, 0});
        TestSessionManager manager;
        std::string error;
        ASSERT_TRUE(manager.Start(error)) << error;
        auto child = Launch({KESTO_PORT_PROGRAM}, {{"SESSION_MANAGER", manager.Address()},
                                                   {"KESTO_TEST_PORT", sim.Path()},
                                                   {"KESTO_TEST_NESTED", row.button}});
        ASSERT_TRUE(Served([&] { return manager.registered && Received(STATUS_QUERY); }, manager)) << child->Output();
        std::this_thread::sleep_for(std::chrono::milliseconds(300)); // the status reply is taken in
        ASSERT_TRUE(child->Signal(SIGUSR1));
        ASSERT_TRUE(Served([&] { return CountOf(child->Errors(), "modal: ") >= 2; }, manager)) << child->Errors();
        EXPECT_TRUE(Has(child->Errors(), row.dialog)) << child->Errors();
        sim.ClearReceived();
        if (row.logout)
        {
            manager.SaveYourself(SmInteractStyleNone);
            ASSERT_TRUE(Served([&] { return manager.saveDones == 1; }, manager)) << child->Output();
            EXPECT_TRUE(Received(POWER_OFF)) << "the room is turned off first";
            manager.Die();
        }
        else
            ASSERT_TRUE(child->Signal(SIGTERM));
        EXPECT_TRUE(Served([&] { return !child->Running(); }, manager)) << child->Output() << child->Errors();
        EXPECT_EQ(child->ExitStatus(), 0) << child->Output();
        const std::string settings = ReadWholeFile(settingsFile);
        EXPECT_TRUE(Has(settings, "FreezeDelay=500\n") && Has(settings, "Password=harbor\n")) << settings;
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
    if (Has(out, "\nskip "))
        GTEST_SKIP() << "the accessibility bus cannot start:" << out;
    EXPECT_EQ(child->ExitStatus(), 0) << out;
    for (const char* node : {"push button|On|", "push button|Freeze|", "push button|Off|", "push button|Blank Screen|",
                             "push button|Volume down|", "slider|Volume|", "push button|Volume up|", "push button|Mute|",
                             "push button|Comp 1|", "push button|VCR/DVD|", "push button|Comp 2/Doc|", "panel|Power|",
                             "panel|Volume|", "panel|Source|"})
        EXPECT_TRUE(Has(out, std::string("\nnode ") + node)) << node << out;
    ASSERT_TRUE(Has(out, "\nlit ")) << out;
    EXPECT_TRUE(Has(out.substr(out.find("\nlit ")), "checked")) << out;
    // After "On": the rest of the window in the order seen, round to "On".
    std::string order;
    for (size_t at = out.find("\nfocus ", out.find("\nlit ")); at != std::string::npos; at = out.find("\nfocus ", at + 1))
        order += out.substr(at + 7, out.find('\n', at + 1) - at - 7) + "\n";
    const std::string seen = "push button|Freeze\npush button|Off\npush button|Blank Screen\npush button|Volume down\n"
                             "slider|Volume\npush button|Volume up\npush button|Mute\npush button|Comp 1\n"
                             "push button|VCR/DVD\npush button|Comp 2/Doc\n";
    EXPECT_TRUE(order.rfind(seen, 0) == 0 && order.size() > seen.size() &&
                order.substr(order.rfind('\n', order.size() - 2) + 1) == "push button|On\n") << out;
    EXPECT_TRUE(Has(out, "\nend 0\n")) << "the program ended cleanly\n" << out;
}

} // namespace
