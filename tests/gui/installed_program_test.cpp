// The built program copied into a made-up installation (PREFIX/bin and
// PREFIX/share/aulavox-kesto) and started from a folder without pictures,
// as the menu or autostart would start it.

#include "support/core/child_process.h"
#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace {

namespace fs = std::filesystem;

int CountOf(const std::string& text, const std::string& part)
{
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

struct Installation : testing::Test
{
    TempDir prefix;
    TempDir home;
    TempDir working; // the start folder: no images/, no data/
    std::string program = prefix.File("bin/aulavox-kesto");
    std::string shared = prefix.File("share/aulavox-kesto");

    void SetUp() override
    {
        fs::create_directories(prefix.File("bin"));
        fs::copy_file(KESTO_EXECUTABLE, program);
    }

    void InstallSharedFiles()
    {
        fs::create_directories(shared);
        fs::copy(KESTO_SOURCE_DIR "/images", shared + "/images", fs::copy_options::recursive);
        fs::copy(KESTO_SOURCE_DIR "/data", shared + "/data", fs::copy_options::recursive);
    }

    // Starts the program in the working folder, waits for its start-up
    // steps (after the window was built) and ends it; returns its log.
    std::string RunOnce()
    {
        const char* display = getenv("DISPLAY");
        ChildProcess child({"/bin/sh", "-c", "cd \"$0\" && exec \"$1\"", working.Path(), program},
                           {{"HOME", home.Path()},
                            {"XDG_DATA_HOME", ""},
                            {"XDG_RUNTIME_DIR", home.Path()},
                            {"DISPLAY", display ? display : ""}},
                           home.File("out.txt"));
        EXPECT_TRUE(child.Start());
        bool started = false;
        for (int waited = 0; waited < 20000 && !started; waited += 20)
        {
            started = child.Output().find("reading projector file") != std::string::npos;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        EXPECT_TRUE(started) << child.Output();
        EXPECT_TRUE(child.Signal(SIGTERM));
        EXPECT_TRUE(child.Wait(15000));
        EXPECT_EQ(child.ExitStatus(), 0) << child.Output();
        return child.Output();
    }

    std::string ReferenceUrl() const
    {
        const std::string settings = ReadWholeFile(home.File(".local/share/AulavoxTech/AulavoxKesto.ini"));
        const size_t at = settings.find("URL1=");
        return at == std::string::npos ? settings : settings.substr(at + 5, settings.find('\n', at) - at - 5);
    }
};

TEST_F(Installation, PicturesAndTheReferenceFileComeFromTheInstalledFolder)
{
    InstallSharedFiles();
    const std::string log = RunOnce();
    EXPECT_EQ(CountOf(log, "cannot load picture"), 0) << log;
    EXPECT_EQ(ReferenceUrl(), "file://" + shared + "/data/AulavoxMaster.txt");
}

TEST_F(Installation, WithoutTheInstalledFolderTheWorkingFolderIsUsedAsBefore)
{
    const std::string log = RunOnce();
    EXPECT_EQ(CountOf(log, "Warning: cannot load picture images/"), 10) << log;
    EXPECT_EQ(ReferenceUrl(), "file://" + working.Path() + "/data/AulavoxMaster.txt");
}

} // namespace
