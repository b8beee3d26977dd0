// Exit and the end of the session with its count-down, on a real main window
// with the simulated control box.

#include "mainframe_fixture.h"

#include "app/app.h"
#include "configdlg/configdlg.h"
#include "mainframe/timeddlg.h"
#include "mainframe/version.h"
#include "session/sessionending.h"

#include "support/core/http_server.h"

#include <wx/app.h>

#include <csignal>
#include <functional>

namespace {

const PanelSimulator::Bytes POWER_OFF = {0x41, 0x03, 0x02, 0x8F, 0x1B};

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

// The question at Exit, answered Yes or by a real click on its Cancel button.
Expect<TimedDlg> Question(bool yes)
{
    return Expect<TimedDlg>([=](TimedDlg* dialog) -> int {
        EXPECT_EQ(dialog->GetMessage().utf8_string(), "The Aulavox system is still active.\nWould you like to turn it off?");
        if (yes)
            return wxID_YES;
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

    // The window on Room 1, connected, the box reporting the power as given.
    void BuildWithPower(uint8_t power)
    {
        sim.SetStatus({power, 1, 10, 0, 0, 0});
        StartConnected();
        ASSERT_EQ(thePanelStatus.powerState, power);
    }

    // Compares pointers only: the window may be deleted already (TearDown forgets it).
    bool FrameGone()
    {
        return YieldUntil([this] { return wxTopLevelWindows.Find(frame) == nullptr; });
    }
};

// Without a tray (Xvfb has none) the window would be left with no About and
// no way to end the program but a signal; Cancel once left it disabled.
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
    wxTEST_DIALOG(Use(frame->m_viewCombo, 4), Question(false));
    FlushEvents();
    EXPECT_TRUE(!theSessionEnding && frame->IsEnabled() && sim.RequestCount() == 0);
    wxTEST_DIALOG(Use(frame->m_viewCombo, 4), Question(true));
    EXPECT_TRUE(theSessionEnding);
    const std::vector<Bytes> sent = sim.Requests(); // an answer late on a busy machine can bring another attempt
    EXPECT_TRUE(!sent.empty() && std::all_of(sent.begin(), sent.end(), [](const Bytes& b) { return b == POWER_OFF; }));
    EXPECT_TRUE(FrameGone());
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
    frame = new TestMainFrame;
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

} // namespace
