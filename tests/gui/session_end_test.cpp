// Exit, the end of the session with its count-down, the tray icon and the
// whiteboard window, on a real main window with the simulated control box.

#include "mainframe_fixture.h"

#include "app/app.h"
#include "configdlg/configdlg.h"
#include "mainframe/axttaskbaricon.h"
#include "mainframe/sessionending.h"
#include "mainframe/timeddlg.h"
#include "mainframe/whiteboardmodedlg.h"

#include "support/core/http_server.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/menu.h>

#include <csignal>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = PanelSimulator::Bytes;

const Bytes POWER_OFF = {0x41, 0x03, 0x02, 0x8F, 0x1B};

class SessionFrame : public TestMainFrame
{
public:
    using MainFrame::m_askedForSession;
    using MainFrame::m_chkWhiteboardMode;
    using MainFrame::m_taskBarIcon;

    bool tray = false;
    bool iconized = false;
    std::vector<bool> iconizeCalls;

    bool HasTray() const override { return tray; }
    // No window manager runs under Xvfb: the requests are recorded instead.
    void Iconize(bool iconize) override
    {
        iconizeCalls.push_back(iconize);
        iconized = iconize;
    }
    bool IsIconized() const override { return iconized; }
};

// How a test answers the count-down question.
enum class Answer
{
    YES,
    NO,
    CANCEL_BUTTON, // a real click on the dialog's Cancel button
    CLOSE_BOX,     // a real close of the dialog
    WAIT,          // nobody answers: the count-down runs out
};

class ExpectQuestion : public wxExpectModalBase<TimedDlg, ExpectQuestion>
{
public:
    ExpectQuestion(Answer answer, bool vetoable) : m_answer(answer), m_vetoable(vetoable) {}

    mutable std::vector<wxString> countDown;

protected:
    int OnInvoked(TimedDlg* dialog) const override
    {
        const wxString expected = m_vetoable ? "The Aulavox system is still active.\nWould you like to turn it off?"
                                             : "The session is ending and the Aulavox system is active.\n"
                                               "Would you like to turn it off?";
        EXPECT_EQ(dialog->GetMessage().utf8_string(), expected.utf8_string());
        EXPECT_EQ(dialog->GetTitle().utf8_string(), "Aulavox Kesto");
        EXPECT_NE(dialog->FindWindow(wxID_YES), nullptr);
        EXPECT_NE(dialog->FindWindow(wxID_NO), nullptr);
        EXPECT_EQ(dialog->FindWindow(wxID_CANCEL) != nullptr, m_vetoable) << "Cancel only when vetoable";
        EXPECT_TRUE(dialog->HasFlag(wxSTAY_ON_TOP));

        switch (m_answer)
        {
        case Answer::YES:
            return wxID_YES;
        case Answer::NO:
            return wxID_NO;
        case Answer::CANCEL_BUTTON:
            dialog->CallAfter([dialog] {
                wxWindow* cancel = dialog->FindWindow(wxID_CANCEL);
                wxCommandEvent click(wxEVT_BUTTON, wxID_CANCEL);
                click.SetEventObject(cancel);
                cancel->GetEventHandler()->ProcessEvent(click);
            });
            return dialog->RunCountDown();
        case Answer::CLOSE_BOX:
            dialog->CallAfter([dialog] { dialog->Close(); });
            return dialog->RunCountDown();
        case Answer::WAIT:
            break;
        }
        dialog->Bind(wxEVT_TEXT, [this](wxCommandEvent& event) {
            countDown.push_back(event.GetString());
            event.Skip();
        });
        dialog->SetTickInterval(20);
        return dialog->RunCountDown();
    }

private:
    Answer m_answer;
    bool m_vetoable;
};

class ExpectWhiteboard : public wxExpectModalBase<WhiteBoardModeDlg, ExpectWhiteboard>
{
public:
    explicit ExpectWhiteboard(int answer) : m_answer(answer) {}

protected:
    int OnInvoked(WhiteBoardModeDlg* dialog) const override
    {
        EXPECT_EQ(dialog->GetTitle().utf8_string(), "Whiteboard Mode");
        EXPECT_EQ(dialog->GetReturnButton()->GetId(), wxID_OK);
        return m_answer;
    }

private:
    int m_answer;
};

// The entries of a menu ("-" for a separator), without the title that GTK
// shows as an item and a separator of their own.
std::vector<std::string> Labels(const wxMenu& menu)
{
    std::vector<std::string> labels;
    for (wxMenuItem* item : menu.GetMenuItems())
        labels.push_back(item->IsSeparator() ? "-" : item->GetItemLabelText().utf8_string());
    if (!menu.GetTitle().empty() && labels.size() >= 2 && labels[0] == menu.GetTitle().utf8_string() &&
        labels[1] == "-")
        labels.erase(labels.begin(), labels.begin() + 2);
    return labels;
}

class SessionEndTest : public MainFrameTest
{
protected:
    void TearDown() override
    {
        if (frame && wxTopLevelWindows.Find(frame) == nullptr)
            frame = nullptr; // the end of the session destroyed it
        MainFrameTest::TearDown();
        theSessionEnding = false;
    }

    // The window with a chosen projector, connected, the box reporting the
    // power as given; the start-up's requests forgotten.
    void BuildWithPower(uint8_t power)
    {
        WriteProjectors("projector: Room 1\nC, On, PWR1<cr>\n");
        SetDefaultProjector("Room 1");
        sim.SetStatus({power, 1, 10, 0, 0, 0});
        session = new SessionFrame;
        frame = session;
        frame->m_statusTimer.Stop();
        frame->Show();
        Tick();
        ASSERT_TRUE(thePanelComm->IsConnected()) << log.Text();
        ASSERT_EQ(thePanelStatus.powerState, power);
        sim.ClearReceived();
    }

    void TrayMenu(int id)
    {
        wxCommandEvent item(wxEVT_MENU, id);
        session->m_taskBarIcon->ProcessEvent(item);
    }

    bool FrameGone()
    {
        const bool gone = YieldUntil([this] { return wxTopLevelWindows.Find(frame) == nullptr; });
        if (gone)
            frame = session = nullptr;
        return gone;
    }

    // At least one power-off and nothing else; an answer late on a busy
    // machine can bring another attempt.
    void AssertOnlyPowerOff()
    {
        const std::vector<Bytes> requests = sim.Requests();
        ASSERT_FALSE(requests.empty());
        for (const Bytes& request : requests)
            EXPECT_EQ(request, POWER_OFF);
    }

    SessionFrame* session = nullptr;
};

TEST_F(SessionEndTest, ExitWhileTheProjectorIsOffEndsAtOnce)
{
    BuildWithPower(2);
    TrayMenu(10001); // no question: the strict hook fails on any dialog
    EXPECT_TRUE(theSessionEnding);
    EXPECT_TRUE(FrameGone());
    EXPECT_EQ(sim.RequestCount(), 0u);
}

TEST_F(SessionEndTest, ExitWhileOnAnsweredCancelKeepsRunningAndSendsNothing)
{
    for (Answer answer : {Answer::CANCEL_BUTTON, Answer::CLOSE_BOX})
    {
        SCOPED_TRACE(answer == Answer::CANCEL_BUTTON ? "Cancel button" : "close box");
        if (!frame)
            BuildWithPower(1);
        wxTEST_DIALOG(TrayMenu(10001), ExpectQuestion(answer, true));
        FlushEvents();
        EXPECT_FALSE(theSessionEnding);
        EXPECT_NE(wxTopLevelWindows.Find(frame), nullptr);
        EXPECT_EQ(sim.RequestCount(), 0u);
        // Nothing is left disabled or shown by the question.
        EXPECT_TRUE(frame->IsEnabled());
    }
}

TEST_F(SessionEndTest, ExitWhileOnWithoutAnswerCountsDownAndTurnsTheRoomOff)
{
    BuildWithPower(1);
    ExpectQuestion question(Answer::WAIT, true);
    wxTEST_DIALOG(TrayMenu(10001), question);
    const std::vector<wxString> expected = {
        "Turning off in 10 seconds", "Turning off in 9 seconds", "Turning off in 8 seconds",
        "Turning off in 7 seconds",  "Turning off in 6 seconds", "Turning off in 5 seconds",
        "Turning off in 4 seconds",  "Turning off in 3 seconds", "Turning off in 2 seconds",
        "Turning off in 1 seconds",  "Turning off in 0 seconds"};
    EXPECT_EQ(question.countDown, expected);
    AssertOnlyPowerOff();
    EXPECT_TRUE(FrameGone());
}

TEST_F(SessionEndTest, PowerOffIsTriedTenTimesFiftyMillisecondsApartThenGivenUp)
{
    BuildWithPower(1);
    thePanelComm->Disconnect(); // every attempt fails at once: no link, and no connecting
    wxTEST_DIALOG(TrayMenu(10001), ExpectQuestion(Answer::YES, true));
    EXPECT_EQ(session->waits, std::vector<long>(9, 50));
    EXPECT_EQ(sim.RequestCount(), 0u);
    EXPECT_FALSE(thePanelComm->IsConnected());
    EXPECT_EQ(thePanelStatus.powerState, 1) << "the status is not changed by the power-off";
    EXPECT_TRUE(FrameGone()) << "the exit goes on after the failures";
}

TEST_F(SessionEndTest, TerminationSignalIsTheSessionEndWithoutCancel)
{
    struct Row
    {
        int signal;
        Answer answer;
    };
    const std::vector<Row> rows = {
        {SIGTERM, Answer::YES},
        {SIGHUP, Answer::NO},
        {SIGINT, Answer::CLOSE_BOX},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE("signal " + std::to_string(row.signal));
        theSessionEnding = false;
        BuildWithPower(1);
        ASSERT_TRUE(wxTheApp->SetSignalHandler(row.signal, &App::OnTerminationSignal));
        wxTEST_DIALOG({
            ASSERT_EQ(raise(row.signal), 0);
            EXPECT_TRUE(YieldUntil([] { return theSessionEnding; }));
        }, ExpectQuestion(row.answer, false));
        wxTheApp->SetSignalHandler(row.signal, SIG_DFL);
        signal(row.signal, SIG_DFL);
        if (row.answer == Answer::YES)
            AssertOnlyPowerOff();
        else
            EXPECT_EQ(sim.RequestCount(), 0u);
        EXPECT_TRUE(FrameGone());
    }
}

TEST_F(SessionEndTest, SignalWhileTheUpdaterRunsClosesItAndSkipsItsFollowUp)
{
    LoopbackHttpServer server;
    ASSERT_TRUE(server.Start());
    // A download that takes seconds: the updater is open when the signal is handled.
    server.ServeSlow("/list.txt", "version: 2.0\nprojector: Room 2\nC, On, X\n" + std::string(4000, '#'), 100,
                     200);
    WriteProjectors("projector: Room 1\nC, On, PWR1<cr>\n");
    SetDefaultProjector("Room 1");
    theSettings->Write(FileUrlKey(FILE_USER), wxString::FromUTF8(server.Url("/list.txt")));
    theSettings->Write(KEY_STARTUP_AUTODOWNLOAD, true);
    session = new SessionFrame;
    frame = session;
    frame->m_statusTimer.Stop();
    frame->Show();

    ASSERT_TRUE(wxTheApp->SetSignalHandler(SIGTERM, &App::OnTerminationSignal));
    ASSERT_EQ(raise(SIGTERM), 0);
    wxTimerEvent tick(frame->m_statusTimer);
    frame->OnStartupTimer(tick); // the first run: start-up steps with the updater
    wxTheApp->SetSignalHandler(SIGTERM, SIG_DFL);
    signal(SIGTERM, SIG_DFL);

    EXPECT_TRUE(theSessionEnding);
    EXPECT_FALSE(frame->m_startupDone);
    EXPECT_TRUE(FrameGone()) << "the retry ends the window once the updater is gone";
    // No re-read, no projector choice, no connection: nothing reached the box.
    EXPECT_EQ(sim.RequestCount(), 0u);
}

TEST_F(SessionEndTest, LogoutAsksOnceBeforeTheSessionManagersLastWord)
{
    BuildWithPower(1);
    // The session manager's turn: the question without Cancel, not the exit.
    wxTEST_DIALOG(frame->AskBeforeSessionEnds(true), ExpectQuestion(Answer::NO, false));
    EXPECT_FALSE(theSessionEnding);
    EXPECT_NE(wxTopLevelWindows.Find(frame), nullptr);
    EXPECT_EQ(sim.RequestCount(), 0u);

    // The logout was called off: the next one asks again, and Yes turns off.
    frame->SessionEndCancelled();
    wxTEST_DIALOG(frame->AskBeforeSessionEnds(true), ExpectQuestion(Answer::YES, false));
    AssertOnlyPowerOff();
    sim.ClearReceived();

    // The last word ends the program without asking a second time.
    frame->EndSessionNow();
    EXPECT_TRUE(theSessionEnding);
    EXPECT_TRUE(FrameGone());
    EXPECT_EQ(sim.RequestCount(), 0u);
}

TEST_F(SessionEndTest, WithoutLeaveToAskTheRoomIsTurnedOffAtOnce)
{
    struct Row
    {
        const char* name;
        std::function<void(MainFrame&)> notice;
    };
    const std::vector<Row> rows = {
        {"logout without interaction", [](MainFrame& f) { f.AskBeforeSessionEnds(false); }},
        {"machine shutdown", [](MainFrame& f) { f.TurnOffForShutdown(); }},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        if (!frame)
            BuildWithPower(1);
        sim.ClearReceived();
        row.notice(*frame); // no question: the strict hook fails on any dialog
        AssertOnlyPowerOff();
        EXPECT_FALSE(theSessionEnding) << "the program itself goes on until the end comes";
    }
    // With the projector off nothing is sent.
    thePanelStatus.powerState = 2;
    sim.ClearReceived();
    frame->TurnOffForShutdown();
    EXPECT_EQ(sim.RequestCount(), 0u);
}

// The configuration dialog is open when the signal is handled. The hook
// shows it in place of its modal loop, so the end of the session closes it
// (with force) instead of ending that loop.
class ExpectConfigDuringSessionEnd : public wxExpectModalBase<ConfigDlg, ExpectConfigDuringSessionEnd>
{
public:
    explicit ExpectConfigDuringSessionEnd(std::function<void()> meanwhile) : m_meanwhile(std::move(meanwhile)) {}

    mutable bool forcedClose = false;

protected:
    int OnInvoked(ConfigDlg* dialog) const override
    {
        dialog->Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& event) {
            forcedClose = forcedClose || !event.CanVeto();
            event.Skip();
        });
        dialog->Show();
        m_meanwhile();
        EXPECT_TRUE(wxTheApp->SetSignalHandler(SIGTERM, &App::OnTerminationSignal));
        EXPECT_EQ(raise(SIGTERM), 0);
        EXPECT_TRUE(YieldUntil([] { return theSessionEnding; }));
        wxTheApp->SetSignalHandler(SIGTERM, SIG_DFL);
        signal(SIGTERM, SIG_DFL);
        return wxID_CANCEL;
    }

private:
    std::function<void()> m_meanwhile;
};

TEST_F(SessionEndTest, SignalWhileTheConfigurationIsOpenClosesItAndSkipsItsFollowUp)
{
    theSettings->Write(KEY_OPTIONS_PASSWORD, "harbor"); // opens without the password prompt
    BuildWithPower(2);
    const size_t items = frame->m_projectorChoice->GetCount();
    // Read again after the dialog, this file would add a projector.
    ExpectConfigDuringSessionEnd config(
        [this] { WriteProjectors("projector: Room 1\nC, On, PWR1<cr>\nprojector: Room 9\nC, On, X\n"); });
    wxTEST_DIALOG(frame->OpenConfiguration(), config);
    EXPECT_TRUE(config.forcedClose) << "the end of the session closes the dialog";
    EXPECT_EQ(frame->m_projectorChoice->GetCount(), items) << "the projector file was not read again";
    EXPECT_TRUE(FrameGone());
    EXPECT_EQ(sim.RequestCount(), 0u);
}

TEST_F(SessionEndTest, CloseBoxHidesWithATrayAndMinimisesWithout)
{
    for (bool tray : {true, false})
    {
        SCOPED_TRACE(tray ? "tray" : "no tray");
        if (!frame)
            BuildWithPower(2);
        session->tray = tray;
        session->iconizeCalls.clear();
        EXPECT_FALSE(frame->Close()) << "the close is refused";
        FlushEvents();
        EXPECT_NE(wxTopLevelWindows.Find(frame), nullptr);
        EXPECT_EQ(frame->IsShown(), !tray);
        EXPECT_EQ(session->iconizeCalls, tray ? std::vector<bool>{} : std::vector<bool>{true});

        // "Restore Kesto" brings it back, also from the minimised state.
        TrayMenu(10000);
        EXPECT_TRUE(frame->IsShown());
        EXPECT_FALSE(session->IsIconized());
        EXPECT_FALSE(theSessionEnding);
    }
    // A double click on the icon does the same.
    frame->Hide();
    wxTaskBarIconEvent doubleClick(wxEVT_TASKBAR_LEFT_DCLICK, session->m_taskBarIcon);
    session->m_taskBarIcon->ProcessEvent(doubleClick);
    EXPECT_TRUE(frame->IsShown());
}

TEST_F(SessionEndTest, WhiteboardAfterAnotherSourceReturnsToComp1OnlyByItsButton)
{
    const Bytes statusQuery = Packet('Q', {});
    struct Row
    {
        const char* name;
        int answer;
        std::vector<Bytes> sent;
    };
    const std::vector<Row> rows = {
        {"button", wxID_OK, {Packet('J', {3}), statusQuery, Packet('J', {1}), statusQuery}},
        {"close box", wxID_CANCEL, {Packet('J', {3}), statusQuery}},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        if (!frame)
            BuildWithPower(1);
        SetCheck(session->m_chkWhiteboardMode, true);
        sim.ClearReceived();
        wxTEST_DIALOG(Click(frame->m_btnVcr), ExpectWhiteboard(row.answer));
        EXPECT_EQ(sim.RequestsWithoutResends(), row.sent);
    }
    // "Comp 1" itself, or whiteboard mode off: no dialog (the strict hook would fail).
    sim.ClearReceived();
    Click(frame->m_btnComp1);
    SetCheck(session->m_chkWhiteboardMode, false);
    Click(frame->m_btnComp2);
    EXPECT_EQ(sim.RequestsWithoutResends(), (std::vector<Bytes>{Packet('J', {1}), statusQuery, Packet('J', {2}), statusQuery}));
}

TEST_F(SessionEndTest, WhiteboardCloseBoxIsNotTheReturnButton)
{
    BuildWithPower(2);
    WhiteBoardModeDlg* dialog = new WhiteBoardModeDlg(frame, wxID_ANY, "Whiteboard Mode");
    int clicks = 0;
    dialog->Bind(wxEVT_BUTTON, [&clicks](wxCommandEvent& event) {
        ++clicks;
        event.Skip();
    });
    dialog->Show();
    dialog->Close(); // what the window manager's close box does
    EXPECT_EQ(clicks, 0) << "the close box must not press the return button";
    EXPECT_FALSE(dialog->IsShown());
    dialog->Destroy();
    FlushEvents();
}

TEST(TrayMenu, RowsBuildItemsSeparatorsAndSubmenus)
{
    static const TrayMenuRow table[] = {
        {0, L"Title", -1}, {0, L"One", 1},   {1, L"Sub", 2},   {1, L"Two", 3}, {2, L"Deep", 4},
        {2, L"Three", 5},  {0, L"", 0},      {0, L"Four", 6},  {0, nullptr, 0}, {0, L"After end", 7},
    };
    AxtTaskBarIcon icon;
    EXPECT_EQ(icon.CreatePopupMenu(), nullptr) << "no table, no menu";
    ASSERT_TRUE(icon.SetMenuTable(table));
    std::unique_ptr<wxMenu> menu(icon.CreatePopupMenu());
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu->GetTitle().utf8_string(), "Title");

    // Top level: One, Sub (a submenu), separator, Four; nothing after the end row.
    std::vector<std::string> top = Labels(*menu);
    EXPECT_EQ(top, (std::vector<std::string>{"One", "Sub", "-", "Four"}));
    EXPECT_NE(menu->FindItem(6), nullptr);
    EXPECT_EQ(menu->FindItem(7), nullptr);

    wxMenuItem* sub = menu->FindChildItem(2);
    ASSERT_NE(sub, nullptr);
    ASSERT_TRUE(sub->IsSubMenu());
    wxMenu* level1 = sub->GetSubMenu();
    ASSERT_EQ(level1->GetMenuItemCount(), 2u); // Two, and Deep holding Three
    EXPECT_EQ(level1->FindItemByPosition(0)->GetId(), 3);
    wxMenuItem* deep = level1->FindItemByPosition(1);
    ASSERT_TRUE(deep->IsSubMenu());
    EXPECT_EQ(deep->GetItemLabelText().utf8_string(), "Deep");
    ASSERT_EQ(deep->GetSubMenu()->GetMenuItemCount(), 1u);
    EXPECT_EQ(deep->GetSubMenu()->FindItemByPosition(0)->GetId(), 5);
}

} // namespace
