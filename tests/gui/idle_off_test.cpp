// An empty room turns itself off: the question after the set idle time, its
// answers, what keeps it away; the X server's idle time under Xvfb.

#include "mainframe_fixture.h"

#include "mainframe/timeddlg.h"
#include "platform/idletime.h"

#include "support/core/scoped_env.h"
#include "support/gui/fake_login_manager.h"

#include <gio/gio.h>

namespace {

constexpr long long MINUTE = 60000;

struct ScriptedIdle : IdleTimeSource
{
    explicit ScriptedIdle(const long long& now) : idle(now) {}
    long long IdleMilliseconds() override { return idle; }
    const long long& idle;
};

enum class Answer { NONE, YES, NO, WAIT }; // NONE: no question; WAIT: the count-down runs out
enum class Link { BOX, DEMO, LOST }; // LOST: every power-off attempt fails at once, no connecting

// The question, answered; a count-down left to run out is cut to one short step.
class IdleQuestion : public wxExpectModalBase<TimedDlg, IdleQuestion>
{
public:
    explicit IdleQuestion(Answer answer) : m_answer(answer) {}

protected:
    int OnInvoked(TimedDlg* dialog) const override
    {
        EXPECT_EQ(dialog->GetMessage().utf8_string(),
                  "Nobody has used this computer for 1 minutes.\nTurn the projector off?");
        EXPECT_TRUE(dialog->FindWindow(wxID_NO) && !dialog->FindWindow(wxID_CANCEL) && dialog->GetSecondsLeft() == 60);
        if (m_answer != Answer::WAIT)
            return m_answer == Answer::YES ? wxID_YES : wxID_NO;
        dialog->SetTimeout(1);
        dialog->SetTickInterval(1);
        return dialog->RunCountDown();
    }

private:
    Answer m_answer;
};

struct IdleFrame : TestMainFrame
{
    using MainFrame::m_idleTimer;
};

class IdleOffTest : public MainFrameTest
{
protected:
    // A window on a box that reports this power state (in demo mode: switched
    // on there), turning off after these minutes; its idle time the test's.
    void StartWith(uint8_t power, const char* minutes, Link link = Link::BOX)
    {
        if (frame)
            frame->Destroy(), FlushEvents();
        theSettings->Write(KEY_OPTIONS_IDLEOFFMINUTES, minutes);
        WriteProjectors("projector: Room 1\nC, On, PWR1<cr>\n");
        SetDefaultProjector("Room 1");
        sim.SetStatus({power, 1, 10, 0, 0, 0});
        IdleFrame* idleFrame = new IdleFrame;
        idleFrame->m_idleTimer.Stop();
        frame = idleFrame;
        frame->m_statusTimer.Stop();
        frame->Show();
        Tick();
        frame->SetIdleTimeSource(std::make_unique<ScriptedIdle>(idleNow));
        if (link == Link::DEMO)
            frame->StartInDemoMode(), Click(frame->m_btnOn);
        ASSERT_EQ(thePanelStatus.powerState, power) << log.Text();
        if (link == Link::LOST)
            thePanelComm->Disconnect();
        sim.ClearReceived();
        log.Clear();
    }

    // One look of the 15 s timer at this idle time, the question answered as given.
    void Look(long long idle, Answer answer)
    {
        idleNow = idle;
        if (answer == Answer::NONE)
            frame->CheckIdleRoom(); // the strict hook fails on any question
        else
            wxTEST_DIALOG(frame->CheckIdleRoom(), IdleQuestion(answer));
    }

    long long idleNow = 0;
};

struct Step
{
    long long idle;
    Answer asked;
    int8_t power = 0; // the projector's state from this look on (0: unchanged)
};

TEST_F(IdleOffTest, UnusedRoomIsAskedOnceTheTimeIsReachedAndTurnedOffUnlessDeclined)
{
    const struct
    {
        const char* name; // the fault it would catch
        uint8_t power;
        const char* minutes;
        Link link;
        std::vector<Step> steps;
        bool turnedOff;
    } rows[] = {
        {"asked early, never, or nothing done when nobody answers", 1, "1", Link::BOX,
         {{MINUTE - 1, Answer::NONE}, {MINUTE, Answer::WAIT}}, true},
        {"a room in use turned off under a presenter", 1, "1", Link::BOX, {{45000, Answer::NONE}, {2000, Answer::NONE}, {50000, Answer::NONE}}, false},
        {"No ignored, or asked again before a full period", 1, "1", Link::BOX,
         {{MINUTE, Answer::NO}, {2 * MINUTE - 1, Answer::NONE}, {2 * MINUTE, Answer::NO}}, false},
        {"a warming projector left on", 1, "1", Link::BOX, {{MINUTE, Answer::YES, 3}}, true},
        {"a switched-off room asked all night", 2, "1", Link::BOX, {{600 * MINUTE, Answer::NONE}}, false},
        {"switched on by a schedule after a night off: asked at once", 2, "1", Link::BOX,
         {{600 * MINUTE, Answer::NONE}, {601 * MINUTE, Answer::NONE, 1}, {602 * MINUTE - 1, Answer::NONE},
          {602 * MINUTE, Answer::NO}}, false},
        {"turned off although the installer chose 0", 1, "0", Link::BOX, {{1440 * MINUTE, Answer::NONE}}, false},
        {"turned off by a setting that is no number", 1, "ten", Link::BOX, {{1440 * MINUTE, Answer::NONE}}, false},
        {"demo mode left out", 1, "1", Link::DEMO, {{MINUTE, Answer::YES}}, true},
        {"one failed attempt, or endless ones, before giving up", 1, "1", Link::LOST, {{MINUTE, Answer::YES}}, false},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        ASSERT_NO_FATAL_FAILURE(StartWith(row.power, row.minutes, row.link));
        int8_t power = static_cast<int8_t>(row.power);
        for (const Step& step : row.steps)
        {
            if (step.power != 0)
                thePanelStatus.powerState = power = step.power;
            Look(step.idle, step.asked);
        }
        const std::vector<Bytes> sent = sim.Requests();
        EXPECT_EQ(sent.empty(), !row.turnedOff || row.link == Link::DEMO);
        EXPECT_EQ(frame->waits, std::vector<long>(row.link == Link::LOST ? 9 : 0, 50));
        for (const Bytes& request : sent)
            EXPECT_EQ(request, (Bytes{0x41, 0x03, 0x02, 0x8F, 0x1B}));
        EXPECT_EQ(thePanelStatus.powerState, row.turnedOff ? 2 : power) << "the window shows what was sent";
        EXPECT_EQ(log.Contains("Info: nobody used the computer: the projector was turned off"), row.turnedOff);
    }
}

// A video or a slide show without input turned off under its audience.
TEST_F(IdleOffTest, ProgramsThatInhibitIdlenessKeepTheQuestionAway)
{
    FakeLoginManager bus;
    ScopedEnv systemBus("DBUS_SYSTEM_BUS_ADDRESS", bus.Address()), sessionBus("DBUS_SESSION_BUS_ADDRESS", bus.Address());
    std::string error;
    ASSERT_TRUE(bus.Start(error)) << error;
    ASSERT_NO_FATAL_FAILURE(StartWith(1, "1"));
    const auto blockInhibited = [&](const char* how, const char* what) {
        return bus.Call("org.freedesktop.login1", "/org/freedesktop/login1",
                        how[0] == 'A' ? "org.freedesktop.DBus.Mock" : "org.freedesktop.DBus.Properties", how,
                        g_variant_new("(ssv)", "org.freedesktop.login1.Manager", "BlockInhibited",
                                      g_variant_new_string(what)));
    };
    const auto sessionManagerInhibits = [&] {
        return bus.StartMock("org.gnome.SessionManager",
                             {"--session", "org.gnome.SessionManager", "/org/gnome/SessionManager",
                              "org.gnome.SessionManager"}) &&
               bus.Call("org.gnome.SessionManager", "/org/gnome/SessionManager", "org.freedesktop.DBus.Mock",
                        "AddMethod",
                        g_variant_new("(sssss)", "org.gnome.SessionManager", "IsInhibited", "u", "b", "ret = args[0] == 8"));
    };
    const struct
    {
        const char* name;
        std::function<bool()> setUp;
        bool asked;
    } rows[] = {
        {"logind without the property, no session manager", [] { return true; }, true},
        {"block inhibitors, none for idle", [&] { return blockInhibited("AddProperty", "shutdown:sleep"); }, true},
        {"an idle block inhibitor", [&] { return blockInhibited("Set", "shutdown:sleep:idle:handle-lid-switch"); }, false},
        {"the session manager inhibits idleness (flag 8)",
         [&] { return blockInhibited("Set", "sleep") && sessionManagerInhibits(); }, false},
    };
    long long idle = 0;
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(row.setUp()) << bus.error;
        idle += 2 * MINUTE; // a full period after the last question or inhibited look
        Look(idle, row.asked ? Answer::NO : Answer::NONE);
    }
}

// A source that does not follow the X server's input asks an occupied room, or never asks.
TEST(IdleTime, XServerCountsFromTheLastInput)
{
    ScopedEnv waylandDisplay("WAYLAND_DISPLAY", std::nullopt), sessionType("XDG_SESSION_TYPE", std::nullopt);
    std::string why;
    const std::unique_ptr<IdleTimeSource> source = OpenIdleTimeSource(why);
    ASSERT_NE(source, nullptr) << why;
    ASSERT_TRUE(WaitUntil([&] { return source->IdleMilliseconds() >= 1000; })) << "no growing idle time";
    const long long before = source->IdleMilliseconds();
    TempDir dir;
    ChildProcess move({"/usr/bin/xdotool", "mousemove", "17", "23"}, {}, dir.File("xdotool.txt"));
    ASSERT_TRUE(move.Start() && move.Wait(10000) && move.ExitStatus() == 0) << move.Errors();
    EXPECT_LT(source->IdleMilliseconds(), before);
}

} // namespace
