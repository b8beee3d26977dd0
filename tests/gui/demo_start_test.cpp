// Starting in demo mode: "Demo Mode" is ticked from the start, and every
// control works at once without a word to the control box.

#include "mainframe_fixture.h"

#include "support/core/child_process.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace {

using DemoStart = MainFrameTest;

TEST_F(DemoStart, EveryControlWorksAtOnceWithoutTheBox)
{
    WriteProjectors("projector: Room 1\nC, On, PWR1<cr>\nC, Freeze, FRZ<cr>\n");
    SetDefaultProjector("Room 1");
    frame = new TestMainFrame;
    frame->StartInDemoMode();
    frame->m_statusTimer.Stop();
    frame->Show();
    Tick();

    EXPECT_TRUE(frame->m_chkDemoMode->IsChecked());
    EXPECT_TRUE(thePanelComm->IsDemo());
    EXPECT_TRUE(thePanelComm->IsConnected());
    // No box is asked for anything, and none of the program's boxes opens.
    Click(frame->m_btnOn);
    EXPECT_TRUE(frame->m_btnOn->IsHighlighted());
    Click(frame->m_btnComp2);
    EXPECT_TRUE(frame->m_btnComp2->IsHighlighted());
    Click(frame->m_btnMute);
    EXPECT_TRUE(frame->m_btnMute->IsHighlighted());
    Tick(); // a status poll
    EXPECT_EQ(sim.RequestCount(), 0u);
    EXPECT_EQ(log.AtLevel(Log::LEVEL_ERROR), std::vector<std::string>()) << log.Text();

    // Unticking it goes back to the real link.
    SetCheck(frame->m_chkDemoMode, false);
    EXPECT_FALSE(thePanelComm->IsDemo());
    EXPECT_FALSE(thePanelComm->IsConnected());
}

// The built program in the try-out set-up: a data folder of its own whose
// user file is the shipped projector file with its first projector as
// default. Unless in demo mode, the start-up steps look for the box.
TEST(DemoStartProgram, TheTryOutRunLooksForNoBox)
{
    struct Row
    {
        std::vector<std::string> arguments;
        bool searches;
    };
    const Row rows[] = {
        {{"--demo"}, false},
        {{"--DEMO", "--ignored"}, false},
        {{}, true},
    };
    for (const Row& row : rows)
    {
        TempDir data;
        const std::string folder = data.File("AulavoxTech");
        std::filesystem::create_directories(folder);
        std::filesystem::copy_file(KESTO_SOURCE_DIR "/data/AulavoxMaster.txt", folder + "/CustomList.txt");
        ASSERT_TRUE(WriteWholeFile(folder + "/AulavoxKesto.ini", "[Proj]\nDefault=Epson ESC/VP21\n"));

        std::vector<std::string> argv = {"/bin/sh", "-c", "cd \"$0\" && exec \"$@\"", KESTO_SOURCE_DIR,
                                         KESTO_EXECUTABLE};
        argv.insert(argv.end(), row.arguments.begin(), row.arguments.end());
        const char* display = getenv("DISPLAY");
        ChildProcess child(argv,
                           {{"XDG_DATA_HOME", data.Path()},
                            {"XDG_RUNTIME_DIR", data.Path()},
                            {"DISPLAY", display ? display : ""}},
                           data.File("out.txt"));
        ASSERT_TRUE(child.Start());
        // The default projector is chosen in the start-up steps, which end
        // with the first status poll.
        bool started = false;
        for (int waited = 0; waited < 20000 && !started; waited += 20)
        {
            started = child.Output().find("reading projector file") != std::string::npos;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        ASSERT_TRUE(child.Signal(SIGTERM));
        ASSERT_TRUE(child.Wait(15000));
        const std::string out = child.Output();
        const std::string name = row.arguments.empty() ? "(none)" : row.arguments[0];
        EXPECT_TRUE(started) << name << "\n" << out;
        EXPECT_EQ(child.ExitStatus(), 0) << name << "\n" << out;
        EXPECT_EQ(out.find("unknown command"), std::string::npos) << name;
        EXPECT_EQ(out.find("cannot load picture"), std::string::npos) << name << "\n" << out;
        EXPECT_EQ(out.find("unable to find Aulavox control panel") != std::string::npos, row.searches)
            << name << "\n"
            << out;
    }
}

} // namespace
