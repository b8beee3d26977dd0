// The built program against the simulated control box: the end of the
// session turns the room off and the program still ends in order.

#include "support/core/child_process.h"
#include "support/core/panel_simulator.h"
#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

using Bytes = PanelSimulator::Bytes;

const Bytes POWER_OFF = {0x41, 0x03, 0x02, 0x8F, 0x1B};

class ProgramOnBox : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim.Start());
        ASSERT_EQ(system(("mkdir -p '" + dataFolder + "'").c_str()), 0);
        ASSERT_TRUE(WriteWholeFile(projectorFile, "version: 1.0\nprojector: Room 1\nC, On, PWR1<cr>\n"));
        ASSERT_TRUE(WriteWholeFile(settingsFile, "[Files]\nName2=" + projectorFile + "\n[Proj]\nDefault=Room 1\n"));
    }

    // Starts the program and waits until it has connected and asked the
    // box for its status.
    std::unique_ptr<ChildProcess> StartConnected(ChildProcess::Env extraEnv = {})
    {
        const char* display = getenv("DISPLAY");
        ChildProcess::Env env = {{"HOME", home.Path()},
                                 {"XDG_DATA_HOME", ""},
                                 {"DISPLAY", display ? display : ""},
                                 {"KESTO_TEST_PORT", sim.Path()}};
        env.insert(env.end(), extraEnv.begin(), extraEnv.end());
        auto child = std::make_unique<ChildProcess>(std::vector<std::string>{KESTO_PORT_PROGRAM}, env,
                                                    home.File("out.txt"));
        EXPECT_TRUE(child->Start());
        EXPECT_TRUE(WaitForRequest(Bytes{0x51, 0x02, 0x66, 0x09}, 20000)) << child->Output();
        return child;
    }

    bool WaitForRequest(const Bytes& wanted, int timeoutMs)
    {
        for (int waited = 0; waited < timeoutMs; waited += 20)
        {
            for (const Bytes& request : sim.Requests())
                if (request == wanted)
                    return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    TempDir home;
    std::string dataFolder = home.Path() + "/.local/share/AulavoxTech";
    std::string settingsFile = dataFolder + "/AulavoxKesto.ini";
    std::string projectorFile = dataFolder + "/CustomList.txt";
    PanelSimulator sim;
};

TEST_F(ProgramOnBox, TerminationSignalWhileOnCountsDownTurnsOffAndExitsInOrder)
{
    sim.SetStatus({1, 1, 10, 0, 0, 0});
    auto child = StartConnected();
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // the status reply is taken in
    sim.ClearReceived();

    ASSERT_TRUE(child->Signal(SIGTERM));
    // Nobody answers: ten seconds of count-down, then the power-off.
    std::this_thread::sleep_for(std::chrono::seconds(5));
    EXPECT_FALSE(WaitForRequest(POWER_OFF, 0)) << "not before the count-down ran out";
    EXPECT_TRUE(WaitForRequest(POWER_OFF, 15000)) << child->Output();
    ASSERT_TRUE(child->Wait(15000)) << child->Output();
    EXPECT_EQ(child->ExitStatus(), 0) << child->Output();

    // The settings were written in order: the keys given and the defaults recorded.
    const std::string settings = ReadWholeFile(settingsFile);
    EXPECT_NE(settings.find("Default=Room 1\n"), std::string::npos) << settings;
    EXPECT_NE(settings.find("FreezeDelay=500\n"), std::string::npos) << settings;
}

TEST_F(ProgramOnBox, TerminationSignalWhileOffEndsAtOnceWithoutSendingAnything)
{
    sim.SetStatus({2, 1, 10, 0, 0, 0});
    auto child = StartConnected();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    sim.ClearReceived();
    ASSERT_TRUE(child->Signal(SIGTERM));
    ASSERT_TRUE(child->Wait(5000)) << "no question, no count-down";
    EXPECT_EQ(child->ExitStatus(), 0);
    EXPECT_FALSE(WaitForRequest(POWER_OFF, 0));
}

} // namespace
