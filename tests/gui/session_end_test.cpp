// Exit, the end of the session with its count-down, the tray icon and the
// whiteboard window, on a real main window with the simulated control box.

#include "mainframe_fixture.h"

#include "app/app.h"
#include "configdlg/configdlg.h"
#include "mainframe/axttaskbaricon.h"
#include "mainframe/timeddlg.h"
#include "mainframe/version.h"
#include "mainframe/whiteboardmodedlg.h"
#include "session/sessionending.h"

#include "support/core/http_server.h"

#include <wx/app.h>
#include <wx/menu.h>

#include <csignal>
#include <functional>
#include <memory>

namespace {

const PanelSimulator::Bytes POWER_OFF = {0x41, 0x03, 0x02, 0x8F, 0x1B};
constexpr int TRAY_RESTORE = 10000;
constexpr int TRAY_EXIT = 10001;

class SessionFrame : public TestMainFrame
{
public:
    using MainFrame::m_chkWhiteboardMode;
    using MainFrame::m_taskBarIcon;

    // The waits go into a record of the test's: the end of the session destroys the window.
    explicit SessionFrame(std::vector<long>& waits) : m_waits(waits) {}

    bool tray = false;
    std::vector<bool> iconizeCalls;

    bool HasTray() const override { return tray; }
    // No window manager runs under Xvfb: the requests are recorded instead.
    void Iconize(bool iconize) override { iconizeCalls.push_back(iconize); }
    bool IsIconized() const override { return !iconizeCalls.empty() && iconizeCalls.back(); }

protected:
    void WaitMilliseconds(long milliseconds) override { m_waits.push_back(milliseconds); }

private:
    std::vector<long>& m_waits;
};

// While it lives, the signal (raised at once) reaches the program's handler,
// from the event loop as in the program.
struct RaisedSignal
{
    explicit RaisedSignal(int signal) : number(signal)
    {
        EXPECT_TRUE(wxTheApp->SetSignalHandler(number, &App::OnTerminationSignal));
        EXPECT_EQ(raise(number), 0);
    }
    ~RaisedSignal()
    {
        wxTheApp->SetSignalHandler(number, SIG_DFL);
        signal(number, SIG_DFL);
    }
    int number;
};

// Answers a dialog of class T as the function does.
template <class T>
class Expect : public wxExpectModalBase<T, Expect<T>>
{
public:
    explicit Expect(std::function<int(T*)> answer) : m_answer(std::move(answer)) {}

protected:
    int OnInvoked(T* dialog) const override { return m_answer(dialog); }

private:
    std::function<int(T*)> m_answer;
};

enum class Answer
{
    YES,
    NO,
    CANCEL_BUTTON, // a real click on the dialog's Cancel button
    CLOSE_BOX,     // a real close of the dialog
    WAIT,          // nobody answers: the count-down runs out (its texts go to countDown)
};

Expect<TimedDlg> Question(Answer answer, bool vetoable, std::vector<wxString>* countDown = nullptr)
{
    return Expect<TimedDlg>([=](TimedDlg* dialog) -> int {
        EXPECT_EQ(dialog->GetMessage().utf8_string(),
                  vetoable ? "The Aulavox system is still active.\nWould you like to turn it off?"
                           : "The session is ending and the Aulavox system is active.\nWould you like to turn it off?");
        EXPECT_EQ(dialog->GetTitle().utf8_string(), "Aulavox Kesto");
        EXPECT_TRUE(dialog->FindWindow(wxID_YES) && dialog->FindWindow(wxID_NO) && dialog->HasFlag(wxSTAY_ON_TOP));
        EXPECT_EQ(dialog->FindWindow(wxID_CANCEL) != nullptr, vetoable) << "Cancel only when vetoable";
        if (answer == Answer::YES || answer == Answer::NO)
            return answer == Answer::YES ? wxID_YES : wxID_NO;
        if (answer == Answer::WAIT)
        {
            dialog->Bind(wxEVT_TEXT, [countDown](wxCommandEvent& event) {
                countDown->push_back(event.GetString());
                event.Skip();
            });
            dialog->SetTickInterval(20);
        }
        else if (answer == Answer::CLOSE_BOX)
            dialog->CallAfter([dialog] { dialog->Close(); });
        else
            dialog->CallAfter([dialog] {
                wxCommandEvent click(wxEVT_BUTTON, wxID_CANCEL);
                click.SetEventObject(dialog->FindWindow(wxID_CANCEL));
                dialog->FindWindow(wxID_CANCEL)->GetEventHandler()->ProcessEvent(click);
            });
        return dialog->RunCountDown();
    });
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
        frame = session = new SessionFrame(waits);
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

    // Compares pointers only: the window may be deleted already.
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
    std::vector<long> waits;
};

TEST_F(SessionEndTest, ExitAndTerminationSignalsAskWhileOnAndEndAsAnswered)
{
    const struct
    {
        const char* name;
        int signal; // 0: the tray menu's Exit
        uint8_t power;
        Answer answer;
        bool linkDown; // every power-off attempt fails at once: no link, and no connecting
        bool ends, powerOff;
    } rows[] = {
        // A window that stays is used by the next row.
        {"Exit, projector off: no question", 0, 2, Answer::YES, false, true, false},
        {"Exit, Cancel button", 0, 1, Answer::CANCEL_BUTTON, false, false, false},
        {"Exit, the question's close box", 0, 1, Answer::CLOSE_BOX, false, false, false},
        {"Exit, no answer: the count-down runs out", 0, 1, Answer::WAIT, false, true, true},
        {"Exit, Yes without a link: ten attempts, then the end", 0, 1, Answer::YES, true, true, false},
        {"SIGTERM, Yes", SIGTERM, 1, Answer::YES, false, true, true},
        {"SIGHUP, No", SIGHUP, 1, Answer::NO, false, true, false},
        {"SIGINT, the question's close box", SIGINT, 1, Answer::CLOSE_BOX, false, true, false},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        theSessionEnding = false;
        if (!frame)
        {
            ASSERT_NO_FATAL_FAILURE(BuildWithPower(row.power));
        }
        if (row.linkDown)
            thePanelComm->Disconnect();
        waits.clear();
        const auto end = [&] {
            if (row.signal == 0)
                return TrayMenu(TRAY_EXIT);
            RaisedSignal raised(row.signal);
            EXPECT_TRUE(YieldUntil([] { return theSessionEnding; }));
        };
        std::vector<wxString> countDown;
        if (row.power == 2)
            end(); // the strict hook fails on any dialog
        else
            wxTEST_DIALOG(end(), Question(row.answer, row.signal == 0, &countDown));

        // Nothing here reads the window: it may be deleted already.
        EXPECT_EQ(theSessionEnding, row.ends);
        EXPECT_EQ(waits, std::vector<long>(row.linkDown ? 9 : 0, 50));
        if (row.answer == Answer::WAIT)
        {
            std::vector<wxString> expected;
            for (int left = 10; left >= 0; --left)
                expected.push_back(wxString::Format("Turning off in %d seconds", left));
            EXPECT_EQ(countDown, expected);
        }
        if (row.powerOff)
            AssertOnlyPowerOff();
        else
            EXPECT_EQ(sim.RequestCount(), 0u);
        if (row.linkDown)
        {
            EXPECT_EQ(thePanelStatus.powerState, 1) << "the status is not changed by the power-off";
        }
        if (row.ends)
            EXPECT_TRUE(FrameGone());
        else
        {
            FlushEvents();
            ASSERT_NE(wxTopLevelWindows.Find(frame), nullptr);
            EXPECT_TRUE(frame->IsEnabled()) << "the question left the window disabled";
        }
    }
}

TEST_F(SessionEndTest, LogoutAsksOnceBeforeTheSessionManagersLastWord)
{
    ASSERT_NO_FATAL_FAILURE(BuildWithPower(2));
    frame->AskBeforeSessionEnds(true); // the projector is off: no question (the strict hook fails on any)
    frame->SessionEndCancelled();
    // The session manager's turn: the question without Cancel, not the exit.
    thePanelStatus.powerState = 1;
    wxTEST_DIALOG(frame->AskBeforeSessionEnds(true), Question(Answer::NO, false));
    EXPECT_EQ(sim.RequestCount(), 0u);
    // The logout was called off: the next one asks again, and Yes turns off.
    frame->SessionEndCancelled();
    wxTEST_DIALOG(frame->AskBeforeSessionEnds(true), Question(Answer::YES, false));
    AssertOnlyPowerOff();

    // Without leave to ask, and at a shutdown: turned off at once (the strict
    // hook fails on any question); with the projector off nothing is sent.
    for (bool shutdown : {false, true})
    {
        sim.ClearReceived();
        shutdown ? frame->TurnOffForShutdown() : frame->AskBeforeSessionEnds(false);
        AssertOnlyPowerOff();
    }
    thePanelStatus.powerState = 2;
    sim.ClearReceived();
    frame->TurnOffForShutdown();
    EXPECT_EQ(sim.RequestCount(), 0u);
    EXPECT_FALSE(theSessionEnding) << "the program itself goes on until the end comes";
    thePanelStatus.powerState = 1;

    // The last word ends the program without asking a second time.
    frame->EndSessionNow();
    EXPECT_TRUE(theSessionEnding);
    EXPECT_TRUE(FrameGone());
    EXPECT_EQ(sim.RequestCount(), 0u);
}

TEST_F(SessionEndTest, SignalWhileTheUpdaterRunsClosesItAndSkipsItsFollowUp)
{
    LoopbackHttpServer server;
    ASSERT_TRUE(server.Start());
    // A download that takes seconds: the updater is open when the signal is handled.
    const std::string list = "version: 2.0\nprojector: Room 2\nC, On, X\n" + std::string(4000, '#');
    server.Serve("/list.txt", {200, list, "text/plain", "", std::string::npos, 100, 200});
    WriteProjectors("projector: Room 1\nC, On, PWR1<cr>\n");
    SetDefaultProjector("Room 1");
    theSettings->Write(FileUrlKey(FILE_USER), wxString::FromUTF8(server.Url("/list.txt")));
    theSettings->Write(KEY_STARTUP_AUTODOWNLOAD, true);
    frame = session = new SessionFrame(waits);
    frame->m_statusTimer.Stop();
    frame->Show();
    {
        RaisedSignal raised(SIGTERM);
        wxTimerEvent tick(frame->m_statusTimer);
        frame->OnStartupTimer(tick); // the first run: start-up steps with the updater; the timer left on
    }
    EXPECT_TRUE(theSessionEnding);
    EXPECT_FALSE(frame->m_startupDone);
    EXPECT_TRUE(FrameGone()) << "the retry ends the window once the updater is gone";
    // No re-read, no projector choice, no connection: nothing reached the box.
    EXPECT_EQ(sim.RequestCount(), 0u);
}

TEST_F(SessionEndTest, SignalWhileTheConfigurationIsOpenClosesItAndSkipsItsFollowUp)
{
    theSettings->Write(KEY_OPTIONS_PASSWORD, "harbor"); // opens without the password prompt
    ASSERT_NO_FATAL_FAILURE(BuildWithPower(2));
    const size_t items = frame->m_projectorChoice->GetCount();
    bool forcedClose = false;
    // Shown in place of its modal loop, so that the end of the session closes
    // it (with force) instead of ending that loop.
    const auto signalMeanwhile = [&](ConfigDlg* dialog) {
        dialog->Bind(wxEVT_CLOSE_WINDOW, [&](wxCloseEvent& event) {
            forcedClose = forcedClose || !event.CanVeto();
            event.Skip();
        });
        dialog->Show();
        // Read again after the dialog, this file would add a projector.
        WriteProjectors("projector: Room 1\nC, On, PWR1<cr>\nprojector: Room 9\nC, On, X\n");
        RaisedSignal raised(SIGTERM);
        EXPECT_TRUE(YieldUntil([] { return theSessionEnding; }));
        return wxID_CANCEL;
    };
    wxTEST_DIALOG(frame->OpenConfiguration(), Expect<ConfigDlg>(signalMeanwhile));
    EXPECT_TRUE(forcedClose) << "the end of the session closes the dialog";
    EXPECT_EQ(frame->m_projectorChoice->GetCount(), items) << "the projector file was not read again";
    EXPECT_TRUE(FrameGone());
    EXPECT_EQ(sim.RequestCount(), 0u);
}

TEST_F(SessionEndTest, CloseBoxHidesWithATrayAndMinimisesWithout)
{
    ASSERT_NO_FATAL_FAILURE(BuildWithPower(2));
    for (bool tray : {true, false})
    {
        SCOPED_TRACE(tray ? "tray" : "no tray");
        session->tray = tray;
        session->iconizeCalls.clear();
        EXPECT_FALSE(frame->Close()) << "the close is refused";
        FlushEvents();
        EXPECT_EQ(frame->IsShown(), !tray);
        EXPECT_EQ(session->iconizeCalls, std::vector<bool>(tray ? 0 : 1, true));
        TrayMenu(TRAY_RESTORE); // "Restore Kesto", also from the minimised state
        EXPECT_TRUE(frame->IsShown() && !session->IsIconized());
        EXPECT_FALSE(theSessionEnding);
    }
    // A double click on the icon does the same.
    frame->Hide();
    wxTaskBarIconEvent doubleClick(wxEVT_TASKBAR_LEFT_DCLICK, session->m_taskBarIcon);
    session->m_taskBarIcon->ProcessEvent(doubleClick);
    EXPECT_TRUE(frame->IsShown());
}

// Without a tray (Xvfb has none) the window would be left with no About and
// no way to end the program but a signal.
TEST_F(SessionEndTest, WithoutATrayTheViewMenuOffersAboutAndExit)
{
    ASSERT_NO_FATAL_FAILURE(BuildWithPower(1));
    ASSERT_FALSE(wxTaskBarIcon::IsAvailable());
    wxArrayString items = frame->m_viewCombo->GetStrings();
    EXPECT_EQ(std::vector<wxString>(items.begin(), items.end()),
              (std::vector<wxString>{"Hide Advanced", "View Advanced", "Configuration", "About", "Exit"}));
    wxTEST_DIALOG(Use(frame->m_viewCombo, 3),
                  ExpectMessageBox("Aulavox Kesto\nVersion " + theVersionText, "About Aulavox Kesto",
                                   wxICON_INFORMATION));
    EXPECT_EQ(frame->m_viewCombo->GetValue(), "      Options");
    wxTEST_DIALOG(Use(frame->m_viewCombo, 4), Question(Answer::YES, true));
    EXPECT_TRUE(theSessionEnding);
    AssertOnlyPowerOff();
    EXPECT_TRUE(FrameGone());
}

TEST_F(SessionEndTest, WhiteboardAfterAnotherSourceReturnsToComp1OnlyByItsButton)
{
    ASSERT_NO_FATAL_FAILURE(BuildWithPower(1));
    const Bytes query = Packet('Q');
    SetCheck(session->m_chkWhiteboardMode, true);
    // Its return button, then its close box.
    wxTEST_DIALOG(Click(frame->m_btnVcr), Expect<WhiteBoardModeDlg>([](WhiteBoardModeDlg*) { return wxID_OK; }));
    EXPECT_EQ(sim.RequestsWithoutResends(), (std::vector<Bytes>{Packet('J', {3}), query, Packet('J', {1}), query}));
    sim.ClearReceived();
    wxTEST_DIALOG(Click(frame->m_btnVcr), Expect<WhiteBoardModeDlg>([](WhiteBoardModeDlg*) { return wxID_CANCEL; }));
    EXPECT_EQ(sim.RequestsWithoutResends(), (std::vector<Bytes>{Packet('J', {3}), query}));

    // "Comp 1" itself, or whiteboard mode off: no dialog (the strict hook would fail).
    sim.ClearReceived();
    Click(frame->m_btnComp1);
    SetCheck(session->m_chkWhiteboardMode, false);
    Click(frame->m_btnComp2);
    EXPECT_EQ(sim.RequestsWithoutResends(), (std::vector<Bytes>{Packet('J', {1}), query, Packet('J', {2}), query}));

    // The dialog's own close box is not its return button.
    WhiteBoardModeDlg* dialog = new WhiteBoardModeDlg(frame, wxID_ANY, "Whiteboard Mode");
    EXPECT_EQ(dialog->GetReturnButton()->GetId(), wxID_OK);
    int clicks = 0;
    dialog->Bind(wxEVT_BUTTON, [&clicks](wxCommandEvent& event) {
        ++clicks;
        event.Skip();
    });
    dialog->Show();
    dialog->Close(); // what the window manager's close box does
    EXPECT_EQ(clicks, 0);
    EXPECT_FALSE(dialog->IsShown());
    dialog->Destroy();
    FlushEvents();
}

// The menu as text: labels, "-" for a separator, a submenu in brackets;
// without the title that GTK shows as an item and a separator of their own.
std::string Describe(const wxMenu& menu)
{
    std::string text;
    for (wxMenuItem* item : menu.GetMenuItems())
    {
        text += text.empty() ? "" : " ";
        text += item->IsSeparator() ? "-" : item->GetItemLabelText().utf8_string();
        if (item->IsSubMenu())
            text += "[" + Describe(*item->GetSubMenu()) + "]";
    }
    const std::string title = menu.GetTitle().utf8_string() + " - ";
    return title.size() > 3 && text.rfind(title, 0) == 0 ? text.substr(title.size()) : text;
}

TEST(TrayMenu, RowsBuildItemsSeparatorsAndSubmenus)
{
    static const TrayMenuRow table[] = {
        {0, L"Title", -1}, {0, L"One", 1}, {1, L"Sub", 2}, {1, L"Two", 3},     {2, L"Deep", 4},
        {2, L"Three", 5},  {0, L"", 0},    {0, L"Four", 6}, {0, nullptr, 0}, {0, L"After end", 7},
    };
    AxtTaskBarIcon icon;
    EXPECT_EQ(icon.CreatePopupMenu(), nullptr) << "no table, no menu";
    ASSERT_TRUE(icon.SetMenuTable(table));
    std::unique_ptr<wxMenu> menu(icon.CreatePopupMenu());
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu->GetTitle().utf8_string(), "Title");
    EXPECT_EQ(Describe(*menu), "One Sub[Two Deep[Three]] - Four") << "nothing after the end row";
    for (int id : {1, 3, 5, 6})
        EXPECT_NE(menu->FindItem(id), nullptr) << id;
}

} // namespace
