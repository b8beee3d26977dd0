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
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

class Program : public testing::Test
{
protected:
    TempDir home;
    std::string dataFolder = home.Path() + "/.local/share/AulavoxTech";
    std::string settingsFile = dataFolder + "/AulavoxKesto.ini";

    std::unique_ptr<ChildProcess> Launch(std::vector<std::string> args, const std::string& outName = "out.txt")
    {
        args.insert(args.begin(), KESTO_EXECUTABLE);
        const char* display = getenv("DISPLAY");
        auto child = std::make_unique<ChildProcess>(
            args,
            ChildProcess::Env{{"HOME", home.Path()}, {"XDG_DATA_HOME", ""}, {"DISPLAY", display ? display : ""}},
            home.File(outName));
        EXPECT_TRUE(child->Start());
        return child;
    }

    bool WaitForFile(const std::string& path, int timeoutMs = 15000)
    {
        for (int waited = 0; waited < timeoutMs; waited += 20)
        {
            if (FileExists(path))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }
};

TEST_F(Program, AppdirPrintsTheFolderWithoutLineEndAndCreatesNoSettings)
{
    for (const char* spelling : {"--appdir", "--APPDIR"})
    {
        auto child = Launch({spelling, "--unknown-second-argument"});
        ASSERT_TRUE(child->Wait(20000));
        EXPECT_EQ(child->ExitStatus(), 0) << spelling;
        EXPECT_EQ(child->Output(), dataFolder) << spelling;
        EXPECT_TRUE(FileExists(dataFolder));
        EXPECT_FALSE(FileExists(settingsFile));
    }
}

TEST_F(Program, UnknownCommandExitsWithStatusOne)
{
    auto child = Launch({"--frobnicate"});
    ASSERT_TRUE(child->Wait(20000));
    EXPECT_EQ(child->ExitStatus(), 1);
    EXPECT_EQ(child->Output(), "unknown command\n");
    EXPECT_FALSE(FileExists(settingsFile));
}

TEST_F(Program, FirstStartWritesSettingsAndSigtermEndsCleanly)
{
    for (int sig : {SIGTERM, SIGINT})
    {
        // Each round is a first start: the file's appearance says the program got that far.
        std::remove(settingsFile.c_str());
        auto child = Launch({});
        ASSERT_TRUE(WaitForFile(settingsFile)) << child->Output();
        // The settings are written right after start-up, before any exit.
        std::string settings = ReadWholeFile(settingsFile);
        EXPECT_NE(settings.find("Password=lemon\n"), std::string::npos) << settings;
        EXPECT_NE(settings.find("FreezeDelay=500\n"), std::string::npos) << settings;
        // The handler is in place before the file is written; a signal that
        // comes before the event loop runs is handled once it does.
        ASSERT_TRUE(child->Signal(sig));
        ASSERT_TRUE(child->Wait(15000)) << "the program did not end on signal " << sig;
        EXPECT_EQ(child->ExitStatus(), 0) << "signal " << sig;
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
    // The quiet read at start-up warns once, the read after the check again.
    const std::string warning = "Warning: ReadSource: data line must have 3 parameters";
    bool reported = false;
    for (int waited = 0; waited < 15000 && !reported; waited += 20)
    {
        const std::string out = child->Output();
        const size_t first = out.find(warning);
        reported = first != std::string::npos && out.find(warning, first + 1) != std::string::npos;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(reported) << child->Output();
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // let the box open

    ASSERT_TRUE(child->Signal(SIGTERM));
    ASSERT_TRUE(child->Wait(15000)) << "the program did not end with the box open";
    EXPECT_EQ(child->ExitStatus(), 0);
}

TEST_F(Program, SecondInstanceIsRefusedWithInstanceError)
{
    auto first = Launch({});
    ASSERT_TRUE(WaitForFile(settingsFile));

    // This test process plays the second start, under the same HOME.
    wxString oldHome;
    wxGetEnv("HOME", &oldHome);
    wxSetEnv("HOME", home.Path());
    bool refused = false;
    {
        InstanceLock lock;
        wxTEST_DIALOG(refused = RefuseSecondInstance(lock, "AulavoxKesto"),
                      ExpectMessageBox("Another instance of AulavoxKesto is already running",
                                       "Instance Error", wxICON_ERROR));
    }
    EXPECT_TRUE(refused);

    ASSERT_TRUE(first->Signal(SIGTERM));
    ASSERT_TRUE(first->Wait(15000));

    // With the first gone, the next start is allowed.
    {
        InstanceLock lock;
        EXPECT_FALSE(RefuseSecondInstance(lock, "AulavoxKesto"));
    }
    wxSetEnv("HOME", oldHome);
}

} // namespace
