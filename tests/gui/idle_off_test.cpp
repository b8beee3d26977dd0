// An empty room turns itself off: the question after the set idle time, its
// answers, what keeps it away; the X server's idle time under Xvfb.

#include "mainframe_fixture.h"

#include "mainframe/timeddlg.h"
#include "platform/idletime.h"

#include "support/core/child_process.h"
#include "support/core/scoped_env.h"
#include "support/gui/mock_bus.h"

#include <gio/gio.h>

#include <deque>
#include <functional>
#include <memory>

namespace {

const PanelSimulator::Bytes POWER_OFF = {0x41, 0x03, 0x02, 0x8F, 0x1B};
constexpr long long MINUTE = 60000;

// Idle times as the test scripts them; the last one stays.
class ScriptedIdle : public IdleTimeSource
{
public:
    explicit ScriptedIdle(std::deque<long long>& script) : m_script(script) {}
    long long IdleMilliseconds() override
    {
        if (!m_script.empty())
        {
            m_last = m_script.front();
            m_script.pop_front();
        }
        return m_last;
    }

private:
    std::deque<long long>& m_script;
    long long m_last = 0;
};

enum class Answer
{
    NONE, // no question expected
    YES,
    NO,
    WAIT, // nobody answers: the count-down runs out
};

// The unused room's question, answered; its count-down, from 60, is cut to
// one short step when nobody answers.
class IdleQuestion : public wxExpectModalBase<TimedDlg, IdleQuestion>
{
public:
    explicit IdleQuestion(Answer answer) : m_answer(answer) {}

protected:
    int OnInvoked(TimedDlg* dialog) const override
    {
        EXPECT_EQ(dialog->GetMessage().utf8_string(),
                  "Nobody has used this computer for 1 minutes.\nTurn the projector off?");
        EXPECT_TRUE(dialog->FindWindow(wxID_YES) && dialog->FindWindow(wxID_NO) && !dialog->FindWindow(wxID_CANCEL));
        EXPECT_EQ(dialog->GetSecondsLeft(), 60);
        if (m_answer != Answer::WAIT)
            return m_answer == Answer::YES ? wxID_YES : wxID_NO;
        dialog->SetTimeout(1);
        dialog->SetTickInterval(1);
        return dialog->RunCountDown();
    }

private:
    Answer m_answer;
};

class IdleFrame : public TestMainFrame
{
public:
    using MainFrame::m_idleTimer;
};

class IdleOffTest : public MainFrameTest
{
protected:
    // A window on a box that reports this power state (in demo mode: switched
    // on there), turning off after these minutes; its looks are the test's.
    void StartWith(uint8_t power, const char* minutes, bool demo = false)
    {
        if (frame)
        {
            frame->Destroy();
            FlushEvents();
        }
        theSettings->Write(KEY_OPTIONS_IDLEOFFMINUTES, minutes);
        WriteProjectors("projector: Room 1\nC, On, PWR1<cr>\n");
        SetDefaultProjector("Room 1");
        sim.SetStatus({power, 1, 10, 0, 0, 0});
        IdleFrame* idleFrame = new IdleFrame;
        frame = idleFrame;
        idleFrame->m_idleTimer.Stop();
        frame->m_statusTimer.Stop();
        frame->Show();
        Tick();
        script.clear();
        frame->SetIdleTimeSource(std::make_unique<ScriptedIdle>(script));
        if (demo)
        {
            frame->StartInDemoMode();
            Click(frame->m_btnOn);
        }
        ASSERT_EQ(thePanelStatus.powerState, power) << log.Text();
        sim.ClearReceived();
        log.Clear();
    }

    // One look of the 15 s timer at this idle time, with the question
    // expected and answered as given.
    void Look(long long idle, Answer answer)
    {
        script.push_back(idle);
        if (answer == Answer::NONE)
            frame->CheckIdleRoom(); // the strict hook fails on any question
        else
            wxTEST_DIALOG(frame->CheckIdleRoom(), IdleQuestion(answer));
    }

    std::deque<long long> script;
};

struct Step
{
    long long idle;
    Answer asked;
};

TEST_F(IdleOffTest, UnusedRoomIsAskedOnceTheTimeIsReachedAndTurnedOffUnlessDeclined)
{
    const struct
    {
        const char* name;
        uint8_t power;
        const char* minutes;
        bool demo;
        std::vector<Step> steps;
        bool turnedOff;
    } rows[] = {
        // Asking early, or never, or not turning off when nobody answers.
        {"on, nobody there: off when the count-down runs out", 1, "1", false,
         {{30000, Answer::NONE}, {MINUTE - 1, Answer::NONE}, {MINUTE, Answer::WAIT}}, true},
        // A room in use turned off under a presenter.
        {"input before the time: no question", 1, "1", false,
         {{45000, Answer::NONE}, {2000, Answer::NONE}, {50000, Answer::NONE}}, false},
        // No ignored, or asked again at the next look.
        {"No: nothing sent, no new question before another full period", 1, "1", false,
         {{MINUTE, Answer::NO}, {75000, Answer::NONE}, {2 * MINUTE - 1, Answer::NONE}, {2 * MINUTE, Answer::NO}},
         false},
        // A warming projector left on.
        {"warming up counts as on", 3, "1", false, {{MINUTE, Answer::YES}}, true},
        // A switched-off room asked all night.
        {"projector off: never asked", 2, "1", false, {{600 * MINUTE, Answer::NONE}}, false},
        // Rooms turned off before an installer asked for it.
        {"setting 0: never asked", 1, "0", false, {{1440 * MINUTE, Answer::NONE}}, false},
        {"a setting that is no number: never asked", 1, "ten", false, {{1440 * MINUTE, Answer::NONE}}, false},
        // Demo mode left out.
        {"demo mode: off without a box", 1, "1", true, {{MINUTE, Answer::YES}}, true},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        ASSERT_NO_FATAL_FAILURE(StartWith(row.power, row.minutes, row.demo));
        for (const Step& step : row.steps)
            Look(step.idle, step.asked);

        if (row.turnedOff && !row.demo)
        {
            ASSERT_FALSE(sim.Requests().empty());
            for (const Bytes& request : sim.Requests())
                EXPECT_EQ(request, POWER_OFF);
        }
        else
            EXPECT_EQ(sim.RequestCount(), 0u);
        EXPECT_EQ(thePanelStatus.powerState == 2, row.turnedOff || row.power == 2) << "the window shows what was sent";
        EXPECT_EQ(log.Contains("Info: nobody used the computer: the projector was turned off"), row.turnedOff)
            << log.Text();
    }
}

// A video or a slide show without input turned off under its audience.
TEST_F(IdleOffTest, ProgramsThatInhibitIdlenessKeepTheQuestionAway)
{
    MockBus bus;
    std::string error;
    ASSERT_TRUE(bus.Start(error)) << error;
    ScopedEnv systemBus("DBUS_SYSTEM_BUS_ADDRESS", bus.Address());
    ScopedEnv sessionBus("DBUS_SESSION_BUS_ADDRESS", bus.Address());
    ASSERT_TRUE(bus.StartMock("org.freedesktop.login1", {"--template", "logind"}, error)) << error;
    ASSERT_NO_FATAL_FAILURE(StartWith(1, "1"));

    const auto blockInhibited = [&](const char* what, bool first) {
        const char* const manager = "org.freedesktop.login1.Manager";
        return first ? bus.CallMock("org.freedesktop.login1", "/org/freedesktop/login1", "AddProperty",
                                    g_variant_new("(ssv)", manager, "BlockInhibited", g_variant_new_string(what)),
                                    error)
                     : bus.Call("org.freedesktop.login1", "/org/freedesktop/login1",
                                "org.freedesktop.DBus.Properties", "Set",
                                g_variant_new("(ssv)", manager, "BlockInhibited", g_variant_new_string(what)), error);
    };
    const struct
    {
        const char* name;
        std::function<bool()> setUp;
        bool asked;
    } rows[] = {
        {"logind without the property, no session manager: nothing inhibits", nullptr, true},
        {"block inhibitors, none for idle", [&] { return blockInhibited("shutdown:sleep", true); }, true},
        {"an idle block inhibitor", [&] { return blockInhibited("shutdown:sleep:idle:handle-lid-switch", false); },
         false},
        {"the session manager inhibits idleness",
         [&] {
             return blockInhibited("sleep", false) &&
                    bus.StartMock("org.gnome.SessionManager",
                                  {"--session", "org.gnome.SessionManager", "/org/gnome/SessionManager",
                                   "org.gnome.SessionManager"},
                                  error) &&
                    bus.CallMock("org.gnome.SessionManager", "/org/gnome/SessionManager", "AddMethod",
                                 g_variant_new("(sssss)", "org.gnome.SessionManager", "IsInhibited", "u", "b",
                                               "ret = args[0] == 8"),
                                 error);
         },
         false},
    };
    long long idle = 0;
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        if (row.setUp)
        {
            ASSERT_TRUE(row.setUp()) << error;
        }
        idle += 2 * MINUTE; // a full period after the last question or inhibited look
        Look(idle, row.asked ? Answer::NO : Answer::NONE);
    }
    EXPECT_EQ(sim.RequestCount(), 0u);
}

// A source that does not follow the X server's input asks an occupied room, or never asks.
TEST(IdleTime, XServerCountsFromTheLastInput)
{
    std::string why;
    const std::unique_ptr<IdleTimeSource> source = OpenIdleTimeSource(why);
    ASSERT_NE(source, nullptr) << why;
    ASSERT_TRUE(WaitUntil([&] { return source->IdleMilliseconds() >= 1000; }, 10000))
        << "no growing idle time without input";
    const long long before = source->IdleMilliseconds();
    TempDir dir;
    for (const char* position : {"17", "23"}) // a move to where the pointer is already is no input
    {
        ChildProcess move({"/usr/bin/xdotool", "mousemove", position, position}, {}, dir.File("xdotool.txt"));
        ASSERT_TRUE(move.Start() && move.Wait(10000) && move.ExitStatus() == 0) << move.Errors();
    }
    EXPECT_LT(source->IdleMilliseconds(), before);
}

} // namespace
