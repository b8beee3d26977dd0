// The built program against a hostile start: a settings file the toolkit's
// parser complains about, closed standard streams. No box of the toolkit may
// appear, and SIGTERM must end the program.

#include "support/core/child_process.h"
#include "support/core/run_program.h"
#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <thread>

namespace {

class HostileStart : public testing::Test
{
protected:
    TempDir home;
    std::string dataFolder = home.Path() + "/.local/share/AulavoxTech";
    std::string settingsFile = dataFolder + "/AulavoxKesto.ini";

    ChildProcess::Env Environment() const
    {
        const char* display = getenv("DISPLAY");
        return {{"HOME", home.Path()},
                {"XDG_DATA_HOME", ""},
                {"XDG_RUNTIME_DIR", home.Path()},
                {"DISPLAY", display ? display : ""}};
    }
};

TEST_F(HostileStart, ToolkitComplaintsGoToTheLogAndSigtermEnds)
{
    ASSERT_EQ(system(("mkdir -p '" + dataFolder + "'").c_str()), 0);
    ASSERT_TRUE(WriteWholeFile(settingsFile, "[Options]\njust some words\n=x\n[Options]\nPassword=kept\n[Options]\n"));
    ChildProcess child({KESTO_EXECUTABLE}, Environment(), home.File("out.txt"));
    ASSERT_TRUE(child.Start());

    // The toolkit's parser errors and its failed assertions, as log lines.
    const std::string expected[] = {
        "Error: file '" + settingsFile + "', line 2: '=' expected.\n",
        "Error: assertion \"!strName.empty()\" failed in ",
        "Error: assertion \"!m_pParent || !m_pLine || !pLine\" failed in ",
    };
    std::string out;
    for (int waited = 0; waited < 15000 && out.find("FreezeDelay=500") == std::string::npos; waited += 20)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        out = ReadWholeFile(settingsFile); // written once the start-up got that far
    }
    ASSERT_NE(out.find("FreezeDelay=500"), std::string::npos) << child.Output();
    EXPECT_NE(out.find("Password=kept"), std::string::npos) << out;
    for (const std::string& line : expected)
        EXPECT_NE(child.Output().find(line), std::string::npos) << line << "\n" << child.Output();

    // Ends at once: no box of the toolkit holds the loop.
    ASSERT_TRUE(child.Signal(SIGTERM));
    ASSERT_TRUE(child.Wait(5000)) << "the program did not end\n" << child.Output();
    EXPECT_EQ(child.ExitStatus(), 0);
}

TEST_F(HostileStart, ClosedStandardStreamsDoNotStopTheProgram)
{
    for (ProgramRun::Output output : {ProgramRun::Output::CLOSED, ProgramRun::Output::CAPTURED})
    {
        std::remove(settingsFile.c_str());
        ProgramRun run;
        run.argv = {KESTO_EXECUTABLE};
        for (const auto& [name, value] : Environment())
            run.env.push_back({name, value});
        run.output = output;
        run.terminateWhenExists = settingsFile;
        run.timeoutMs = 15000;
        ASSERT_TRUE(run.Run(home.Path())) << "the program did not end on SIGTERM";
        EXPECT_EQ(run.status, 0) << run.err;
    }
}

} // namespace
