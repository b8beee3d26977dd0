// Black-box tests of the built program: HOME points at a fresh folder, so
// each run is a first start on a new account.

#include "app/singleinstance.h"
#include "platform/instancelock.h"

#include "support/core/child_process.h"
#include "support/core/temp_dir.h"
#include "support/gui/gui_helpers.h"

#include <gtest/gtest.h>

#include <wx/utils.h>

#include <csignal>
#include <cstdlib>
#include <sys/stat.h>
#include <thread>

namespace {

struct Program : testing::Test
{
    TempDir home;
    std::string dataFolder = home.Path() + "/.local/share/AulavoxTech";
    std::string settingsFile = dataFolder + "/AulavoxKesto.ini";

    std::unique_ptr<ChildProcess> Launch(std::vector<std::string> args)
    {
        args.insert(args.begin(), KESTO_EXECUTABLE);
        const char* display = getenv("DISPLAY");
        auto child = std::make_unique<ChildProcess>(
            args, ChildProcess::Env{{"HOME", home.Path()}, {"XDG_DATA_HOME", ""}, {"DISPLAY", display ? display : ""}},
            home.File("out.txt"));
        EXPECT_TRUE(child->Start());
        return child;
    }

    // Waits until the condition holds, at most 15 s.
    static bool Eventually(const std::function<bool()>& condition)
    {
        for (int waited = 0; !condition(); waited += 20, std::this_thread::sleep_for(std::chrono::milliseconds(20)))
            if (waited > 15000)
                return false;
        return true;
    }
};

TEST_F(Program, CommandsWithoutAWindow)
{
    const struct
    {
        std::vector<std::string> args;
        int status;
        std::string output;
    } rows[] = {
        {{"--appdir", "--unknown-second-argument"}, 0, dataFolder}, // without line end
        {{"--APPDIR"}, 0, dataFolder},
        {{"--frobnicate"}, 1, "unknown command\n"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.args[0]);
        auto child = Launch(row.args);
        EXPECT_TRUE(child->Wait(20000));
        EXPECT_EQ(child->ExitStatus(), row.status);
        EXPECT_EQ(child->Output(), row.output);
        EXPECT_FALSE(FileExists(settingsFile));
    }
}

TEST_F(Program, FirstStartWritesTheSettingsAndSignalsEndItCleanly)
{
    for (int sig : {SIGTERM, SIGINT})
    {
        // Each round is a first start: the file's appearance says the program got that far.
        std::remove(settingsFile.c_str());
        auto child = Launch({});
        ASSERT_TRUE(Eventually([&] { return FileExists(settingsFile); })) << child->Output();
        const std::string settings = ReadWholeFile(settingsFile);
        EXPECT_NE(settings.find("Password=lemon\n"), std::string::npos) << settings;
        // The handler is in place before the file is written; a signal that
        // comes before the event loop runs is handled once it does.
        ASSERT_TRUE(child->Signal(sig));
        EXPECT_TRUE(child->Wait(15000) && child->ExitStatus() == 0) << "signal " << sig;
        EXPECT_EQ(ReadWholeFile(settingsFile), settings);
    }
}

TEST_F(Program, SignalWhileAMessageBoxIsOpenEndsCleanly)
{
    // An automatic check at start-up reads the user file again and reports
    // its warning in a message box; the signal comes while the box is open.
    const std::string userFile = dataFolder + "/CustomList.txt";
    ASSERT_EQ(system(("mkdir -p '" + dataFolder + "'").c_str()), 0);
    ASSERT_TRUE(WriteWholeFile(userFile, "version: 1.0\r\nprojector: X\r\nC, On\r\n"));
    ASSERT_TRUE(WriteWholeFile(settingsFile, "[Files]\nName2=" + userFile + "\nURL2=file://" + userFile +
                                                 "\n[StartUp]\nAutoCheck=1\n"));
    auto child = Launch({});
    const std::string warning = "Warning: ReadSource: data line must have 3 parameters";
    ASSERT_TRUE(Eventually([&] { // warned twice: by the quiet read at start-up and by the read after the check
        const std::string out = child->Output();
        return out.find(warning) != out.rfind(warning);
    })) << child->Output();
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // let the box open
    ASSERT_TRUE(child->Signal(SIGTERM));
    EXPECT_TRUE(child->Wait(15000) && child->ExitStatus() == 0) << "the program did not end with the box open";
}

TEST_F(Program, SecondInstanceIsRefusedWhileTheFirstRuns)
{
    auto first = Launch({});
    ASSERT_TRUE(Eventually([&] { return FileExists(settingsFile); }));
    // This test process plays the second start, under the same HOME.
    wxString oldHome;
    wxGetEnv("HOME", &oldHome);
    wxSetEnv("HOME", home.Path());
    for (bool running : {true, false})
    {
        InstanceLock lock;
        if (running)
        {
            wxTEST_DIALOG(EXPECT_TRUE(RefuseSecondInstance(lock, "AulavoxKesto")),
                          ExpectMessageBox("Another instance of AulavoxKesto is already running", "Instance Error"));
        }
        else
            EXPECT_FALSE(RefuseSecondInstance(lock, "AulavoxKesto"));
        ASSERT_TRUE(!running || first->Signal(SIGTERM));
        EXPECT_TRUE(!running || (first->Wait(15000) && first->ExitStatus() == 0));
    }
    wxSetEnv("HOME", oldHome);
}

} // namespace
