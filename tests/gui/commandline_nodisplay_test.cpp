// The command line of the built program on a machine without a display, as
// over SSH or in a package's script: HOME and the runtime folder point at
// fresh folders, DISPLAY is unset.

#include "platform/instancelock.h"

#include "support/core/run_program.h"
#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <wx/utils.h>

#include <sys/stat.h>

namespace {

class CommandLine : public testing::Test
{
protected:
    TempDir home;
    TempDir runtime;
    std::string dataFolder = home.Path() + "/.local/share/AulavoxTech";

    ProgramRun Run(std::vector<std::string> args, ProgramRun::Output output = ProgramRun::Output::CAPTURED,
                   const std::string& runtimeFolder = "")
    {
        ProgramRun run;
        args.insert(args.begin(), KESTO_EXECUTABLE);
        run.argv = args;
        run.env = {{"HOME", home.Path()},
                   {"XDG_DATA_HOME", ""},
                   {"XDG_RUNTIME_DIR", runtimeFolder.empty() ? runtime.Path() : runtimeFolder},
                   {"DISPLAY", ""},
                   {"WAYLAND_DISPLAY", ""}};
        run.output = output;
        EXPECT_TRUE(run.Run(home.Path())) << args[1];
        return run;
    }
};

TEST_F(CommandLine, CommandsGiveTheirOutputWithoutADisplay)
{
    const struct
    {
        std::vector<std::string> args;
        std::string out;
        int status;
    } cases[] = {
        {{"--appdir", "--second-is-ignored"}, dataFolder, 0},
        {{"--AppDir"}, dataFolder, 0},
        {{"--frobnicate"}, "unknown command\n", 1},
        {{""}, "unknown command\n", 1},
        // The toolkit's own options are arguments like any other.
        {{"--class=X", "--appdir"}, "unknown command\n", 1},
        {{"--display=:0", "--appdir"}, "unknown command\n", 1},
        // Not valid UTF-8, nor a keyword in any character set.
        {{"--appdir\xff"}, "unknown command\n", 1},
        {{"\xfe\xff--appdir"}, "unknown command\n", 1},
    };
    for (const auto& c : cases)
    {
        const ProgramRun run = Run(c.args);
        EXPECT_EQ(run.status, c.status) << c.args[0] << "\n" << run.err;
        EXPECT_EQ(run.out, c.out) << c.args[0];
        EXPECT_EQ(run.err, "") << c.args[0];
    }
    EXPECT_FALSE(FileExists(dataFolder + "/AulavoxKesto.ini"));
}

TEST_F(CommandLine, OutputThatCannotBeWrittenFails)
{
    for (ProgramRun::Output output : {ProgramRun::Output::CLOSED, ProgramRun::Output::FULL})
    {
        const ProgramRun run = Run({"--appdir"}, output);
        EXPECT_EQ(run.status, 1) << static_cast<int>(output);
        EXPECT_NE(run.err.find("unable to write to standard output"), std::string::npos) << run.err;
    }
}

TEST_F(CommandLine, SecondInstanceIsRefusedOnStandardError)
{
    // This test process plays the first copy: it holds the lock in the
    // runtime folder the program is given.
    wxString oldRuntime;
    const bool hadRuntime = wxGetEnv("XDG_RUNTIME_DIR", &oldRuntime);
    wxSetEnv("XDG_RUNTIME_DIR", runtime.Path());
    {
        wxSingleInstanceChecker first;
        ASSERT_EQ(TakeInstanceLock(first, "AulavoxKesto"), InstanceLock::TAKEN);
        for (const char* command : {"--appdir", "--install", "--frobnicate"})
        {
            const ProgramRun run = Run({command});
            EXPECT_EQ(run.status, 1) << command;
            EXPECT_EQ(run.err, "Another instance of AulavoxKesto is already running\n") << command;
            EXPECT_EQ(run.out, "") << command;
        }
        EXPECT_FALSE(FileExists(dataFolder)) << "nothing runs after the refusal";
    }
    // With the lock given back, the command runs.
    EXPECT_EQ(Run({"--appdir"}).out, dataFolder);
    if (hadRuntime)
        wxSetEnv("XDG_RUNTIME_DIR", oldRuntime);
    else
        wxUnsetEnv("XDG_RUNTIME_DIR");
}

TEST_F(CommandLine, NoLockPossibleWarnsAndRuns)
{
    // The runtime folder is a regular file, and the home folder cannot be
    // written: no lock can be made anywhere.
    ASSERT_TRUE(WriteWholeFile(runtime.File("not-a-folder"), ""));
    const ProgramRun run = Run({"--appdir"}, ProgramRun::Output::CAPTURED, runtime.File("not-a-folder"));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.rfind("Warning: unable to make the single-instance lock in '" +
                                runtime.File("not-a-folder") + "'", 0),
              0u)
        << run.out;
    EXPECT_NE(run.out.find(dataFolder), std::string::npos) << run.out;
}

} // namespace
