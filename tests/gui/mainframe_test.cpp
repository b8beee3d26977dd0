// The main window on the simulated box: start-up, projector choice, what each
// control sends and what the window then shows, the view menu and password.

#include "configdlg/configdlg.h"
#include "mainframe/displaysync.h"
#include "schedule/schedule.h"
#include "schedule/scheduleclock.h"

#include "mainframe_fixture.h"
#include "support/core/scoped_env.h"
#include "support/gui/fake_login_manager.h"

#include "session/sessionwatch.h" // after GoogleTest: the session manager's headers define Bool

#include <wx/textdlg.h>

#include <clocale>

namespace {

const char* const COMM_ERROR = "Communication Error";
const std::string ROOM_1 = "projector: Room 1\nC, On, PWR1<cr>\n";

// The password prompt: types the answer, or cancels when it is empty.
class ExpectPasswordPrompt : public wxExpectModalBase<wxPasswordEntryDialog, ExpectPasswordPrompt>
{
public:
    explicit ExpectPasswordPrompt(const wxString& answer) : m_answer(answer) {}

protected:
    int OnInvoked(wxPasswordEntryDialog* dialog) const override
    {
        EXPECT_EQ(dialog->GetTitle(), "Password Entry");
        dialog->SetValue(m_answer);
        return m_answer.empty() ? wxID_CANCEL : wxID_OK;
    }

private:
    wxString m_answer;
};

std::vector<wxString> Items(const wxItemContainerImmutable* choice)
{
    std::vector<wxString> items;
    for (unsigned i = 0; i < choice->GetCount(); ++i)
        items.push_back(choice->GetString(i));
    return items;
}

TEST_F(MainFrameTest, StartUpChoosesTheDefaultProjectorAndConnects)
{
    sim.SetStatus({1, 3, 10, 0, 0, 0});
    Start("projector: beta\nC, On, B1\nprojector: Alpha\nC, On, A1\nprojector: zeta\nC, On, Z1\n", "ALPHA");
    EXPECT_TRUE(frame->m_startupDone);
    EXPECT_EQ(Items(frame->m_projectorChoice), (std::vector<wxString>{"**Choose Projector**", "Alpha", "beta", "zeta"}));
    EXPECT_EQ(Selected(frame->m_projectorChoice), "Alpha");
    EXPECT_EQ(static_cast<Projector*>(frame->m_projectorChoice->GetClientData(2))->GetName(), "beta");
    EXPECT_TRUE(frame->m_btnOn->IsHighlighted()) << "connected quietly and polled the status";
    EXPECT_TRUE(frame->m_btnVcr->IsHighlighted());
    // A second projector of the same name in other letters gets its own item.
    theProjectorList->AddProjector("Beta");
    frame->FillProjectorChoice();
    EXPECT_EQ(Items(frame->m_projectorChoice),
              (std::vector<wxString>{"**Choose Projector**", "Alpha", "Beta", "beta", "zeta"}));
    frame->Destroy();

    // A fixed installation cannot change the projector; no user file, no projector.
    theSettings->Write(KEY_PROJ_ALLOWCHANGE, false);
    Start(ROOM_1 + "projector: Room 2\nC, On, X\n", "room 2");
    EXPECT_FALSE(frame->m_projectorChoice->IsEnabled());
    EXPECT_EQ(Selected(frame->m_projectorChoice), "Room 2");
    frame->Destroy();
    theSettings->Write(FileNameKey(FILE_USER), wxString());
    Start(ROOM_1, "Room 1");
    EXPECT_EQ(Items(frame->m_projectorChoice), (std::vector<wxString>{"**Choose Projector**"}));
}

TEST_F(MainFrameTest, TimerRunsByItselfAfterStartUp)
{
    WriteProjectors(ROOM_1);
    SetDefaultProjector("Room 1");
    sim.SetStatus({1, 1, 8, 0, 0, 0});
    frame = new TestMainFrame;
    frame->Show();
    ASSERT_TRUE(YieldUntil([this] { return frame->m_startupDone; }, 3000)); // about 100 ms after construction
    EXPECT_TRUE(frame->m_statusTimer.IsRunning());
    EXPECT_EQ(frame->m_statusTimer.GetInterval(), 1000);
    EXPECT_TRUE(frame->m_btnOn->IsHighlighted());
}

TEST_F(MainFrameTest, WakingFromSleepCarriesOutWhatFellDueMeanwhileAtOnce)
{
    // Without the wake-up the timer would wait out the interval it set
    // before the clock jumped.
    FakeLoginManager logind;
    std::string error;
    ASSERT_TRUE(logind.Start(error)) << error;
    ScopedEnv bus("DBUS_SYSTEM_BUS_ADDRESS", logind.Address());
    ScopedEnv noSessionManager("SESSION_MANAGER", std::nullopt);
    StartConnected();
    wxDateTime now = wxDateTime::Now();
    SetScheduleClock([&now] { return now; });
    Schedule lecture;
    lecture.action = TurnOn;
    lecture.startTime = now + wxTimeSpan::Minutes(30);
    lecture.stopTime = ScheduleNeverTime;
    theScheduleList = {lecture};
    frame->RestartSchedules();
    SessionWatch watch;
    watch.Start(KESTO_EXECUTABLE);
    const auto served = [&](const std::function<bool()>& condition) {
        return YieldUntil([&] {
            logind.Serve();
            return condition();
        });
    };
    ASSERT_TRUE(served([&] { return logind.inhibitCalls == 1 && frame->m_scheduleTimer.GetInterval() > 1000; }));
    ASSERT_TRUE(sim.Requests().empty());

    now += wxTimeSpan::Hours(2); // asleep
    ASSERT_TRUE(logind.EmitPrepareForSleep(false));
    EXPECT_TRUE(served([&] { return !sim.Requests().empty(); })) << log.Text();
    EXPECT_EQ(sim.RequestsWithoutResends(), std::vector<Bytes>{Packet('A', {1})});
    SetScheduleClock(nullptr);
    theScheduleList.clear();
}

TEST_F(MainFrameTest, StartUpReadsQuietlyAndLaterReadsReportProblems)
{
    const std::string remote = dir.File("remote.txt");
    ASSERT_TRUE(WriteWholeFile(remote, "version: 2.0\nprojector: Room 2\nC, On, X\nC, Off\n"));
    theSettings->Write(FileUrlKey(FILE_USER), wxString::FromUTF8("file://" + remote));
    theSettings->Write(KEY_STARTUP_AUTOCHECK, true);
    theSettings->Write(KEY_STARTUP_AUTODOWNLOAD, true);
    const char* warnings = "There were warnings concerning the projector files\nSee log for more details.";
    // The file at start-up warns in the log only; the downloaded one's warning is reported.
    wxTEST_DIALOG(Start(ROOM_1 + "c, Off, PWR0\n"),
                  ExpectMessageBox(warnings, "Projector File Read Error", wxICON_EXCLAMATION));
    EXPECT_TRUE(log.Contains("Warning: ReadSource: first parameter must be either 'C' or 'P', line 4 file " +
                             projectorFile)) << log.Text();
    EXPECT_EQ(Items(frame->m_projectorChoice), (std::vector<wxString>{"**Choose Projector**", "Room 2"}));
    EXPECT_EQ(theProjectorList->GetSource(0)->version, "2.0");

    ASSERT_TRUE(WriteWholeFile(projectorFile, "C, On, PWR1\n"));
    wxTEST_DIALOG(EXPECT_EQ(frame->ReadProjectorFiles(false), FILE_FORMAT_ERROR),
                  ExpectMessageBox("Errors occurred while reading the projector files\nSee log for more details.",
                                   "Projector File Read Error", wxICON_ERROR));
    EXPECT_EQ(frame->ReadProjectorFiles(true), FILE_FORMAT_ERROR); // quiet: no box
}

TEST_F(MainFrameTest, WithoutAProjectorEveryControlAsksForOneAndSendsNothing)
{
    Start(ROOM_1, "Room 9");
    EXPECT_EQ(frame->m_projectorChoice->GetSelection(), 0);
    const char* noProjector = "No projector is selected.\nPlease select projector before using Kesto";
    for (BmpTextButton* button : {frame->m_btnOn, frame->m_btnOff, frame->m_btnBlank, frame->m_btnMute,
                                  frame->m_btnVolumeDown, frame->m_btnVolumeUp, frame->m_btnComp1, frame->m_btnVcr,
                                  frame->m_btnComp2})
        wxTEST_DIALOG(Use(button), ExpectMessageBox(noProjector, COMM_ERROR));
    wxTEST_DIALOG(Use(frame->m_micChoice, 2), ExpectMessageBox(noProjector, COMM_ERROR));
    Tick(); // the status timer stays silent about it
    FlushEvents();
    EXPECT_EQ(sim.RequestCount(), 0u);
    EXPECT_EQ(thePanelStatus.powerState, 0);
    Use(frame->m_projectorChoice, 1); // chosen by hand, the controls work
    Use(frame->m_btnOn);
    EXPECT_TRUE(frame->m_btnOn->IsHighlighted());
}

TEST_F(MainFrameTest, ControlsSendTheirPacketsAndTheWindowShowsWhatTheBoxReports)
{
    StartConnected();
    sim.SetStatus({1, 3, 10, 0, 0, 0});
    Use(frame->m_btnOn);
    Use(frame->m_btnVcr); // sets the source, then polls the status at once
    Use(frame->m_btnComp2);
    Use(frame->m_micChoice, 3);
    EXPECT_EQ(sim.RequestsWithoutResends(), (std::vector<Bytes>{Packet('A', {1}), Packet('J', {3}), Packet('Q'),
                                                                Packet('J', {2}), Packet('Q'), Packet('D', {3})}));
    EXPECT_TRUE(frame->m_btnVcr->IsHighlighted()) << "the box still reports VCR/DVD";
    EXPECT_FALSE(frame->m_btnComp2->IsHighlighted());
    EXPECT_EQ(frame->m_sliderVolume->GetValue(), 10);
    EXPECT_EQ(thePanelStatus.micLevel, 3);
    // What the box acknowledged shows at once: blank toggles, off disables the panels but not On.
    sim.ClearReceived();
    Use(frame->m_btnBlank);
    EXPECT_TRUE(frame->m_btnBlank->IsHighlighted() && frame->m_btnOn->IsHighlighted());
    Use(frame->m_btnBlank);
    EXPECT_FALSE(frame->m_btnBlank->IsHighlighted());
    Use(frame->m_btnOff);
    EXPECT_TRUE(frame->m_btnOff->IsHighlighted() && !frame->m_btnOn->IsHighlighted());
    EXPECT_FALSE(frame->m_btnMute->IsEnabled() || frame->m_sliderVolume->IsEnabled());
    EXPECT_TRUE(frame->m_btnOn->IsEnabled());
    EXPECT_EQ(sim.RequestsWithoutResends(), (std::vector<Bytes>{Packet('H', {1}), Packet('H', {0}), Packet('A', {2})}));

    // Power bytes 3 and 4 mean on and off; the arrows step the volume by two
    // and stop at the ends (a drag of the thumb is posted: sent afterwards).
    const struct
    {
        std::array<uint8_t, 6> status;
        BmpTextButton* arrow;
        Bytes sent;
        bool on, muted, upEnabled, downEnabled;
    } rows[] = {
        {{3, 1, 31, 1, 0, 2}, frame->m_btnVolumeUp, Packet('E', {32}), true, true, false, true},
        {{1, 1, 1, 0, 0, 0}, frame->m_btnVolumeDown, Packet('E', {0}), true, false, true, false},
        {{4, 1, 16, 0, 0, 2}, nullptr, {}, false, false, false, false},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(int(row.status[0]));
        sim.SetStatus(row.status);
        Tick();
        sim.ClearReceived();
        EXPECT_EQ(frame->m_btnOn->IsHighlighted(), row.on);
        EXPECT_EQ(frame->m_btnOff->IsHighlighted(), !row.on);
        EXPECT_EQ(frame->m_btnMute->IsHighlighted(), row.muted);
        EXPECT_EQ(frame->m_btnComp1->IsEnabled(), row.on);
        if (row.arrow)
            Use(row.arrow);
        EXPECT_EQ(sim.RequestCount(), 0u);
        FlushEvents();
        EXPECT_EQ(sim.RequestsWithoutResends(), row.arrow ? std::vector<Bytes>{row.sent} : std::vector<Bytes>{});
        EXPECT_EQ(frame->m_btnVolumeUp->IsEnabled(), row.upEnabled);
        EXPECT_EQ(frame->m_btnVolumeDown->IsEnabled(), row.downEnabled);
    }
    EXPECT_EQ(thePanelStatus.powerState, 2);

    sim.SetStatus({1, 1, 16, 0, 0, 0});
    Tick();
    sim.ClearReceived();
    for (wxEventType type : {wxEVT_SCROLL_LINEUP, wxEVT_SCROLL_THUMBTRACK}) // only dragging sends the volume
    {
        frame->m_sliderVolume->SetValue(24);
        wxScrollEvent scroll(type, frame->m_sliderVolume->GetId(), 24, wxHORIZONTAL);
        scroll.SetEventObject(frame->m_sliderVolume);
        frame->m_sliderVolume->GetEventHandler()->ProcessEvent(scroll);
    }
    EXPECT_EQ(sim.RequestsWithoutResends(), std::vector<Bytes>{Packet('E', {24})});
}

TEST_F(MainFrameTest, LinkFailuresAreReportedAndTheNextCommandConnectsAgain)
{
    StartConnected();
    sim.QueueNak(); // the serial line asks again after a NAK: refuse both times
    sim.QueueNak();
    wxTEST_DIALOG(Use(frame->m_btnMute), ExpectMessageBox("control panel did not accept the command", COMM_ERROR));
    EXPECT_FALSE(thePanelComm->IsConnected());
    EXPECT_FALSE(frame->m_btnMute->IsHighlighted());
    Tick(); // the timer does not poll a link that failed
    EXPECT_EQ(sim.RequestsWithoutResends().size(), 1u);
    Use(frame->m_btnMute);
    EXPECT_TRUE(frame->m_btnMute->IsHighlighted());
    EXPECT_EQ(sim.Requests().back(), Packet('G', {1}));

    sim.QueueSilence();
    sim.QueueSilence();
    wxTEST_DIALOG(Use(frame->m_btnBlank), ExpectMessageBox("control panel did not return any data", COMM_ERROR));
    EXPECT_FALSE(frame->m_btnBlank->IsHighlighted());
    Use(frame->m_btnOff); // connected again first, so that the probe does not take the garbled answer
    sim.QueueBytes({0x41});
    wxTEST_DIALOG(Use(frame->m_btnOn), ExpectMessageBox("expected ACK/NAK received 0x41", COMM_ERROR));
    EXPECT_TRUE(frame->m_btnOff->IsHighlighted());
    wxTEST_DIALOG(frame->ReportCommError(7), ExpectMessageBox("unknown error occurred", COMM_ERROR));

    thePanelComm->SetPortLister(PortListOf({})); // no box at all: the last error is named
    thePanelComm->Disconnect();
    wxTEST_DIALOG(Use(frame->m_btnOn), ExpectMessageBox("Unable to connect to control panel\nno control panel found: "
                                                        "serial ports: none found; I2C: the I2C driver failed, code 2",
                                                        COMM_ERROR));
}

TEST_F(MainFrameTest, FreezeAndTheExtraCommandsOfEachProjector)
{
    theSettings->Write(KEY_OPTIONS_FREEZEDELAY, 20L);
    StartConnected("projector: Room 1\nC, On, PWR1<cr>\nC, Freeze, FRZ<cr>\nC, Lamp Hours, LMP?<cr>\nP, Baud, 9600\n"
                   "projector: Room 2\nC, UnFreeze, UFZ\nC, freeze, FRZ\n"
                   "projector: Room 3\nC, UnFreeze, UFZ\nC, Off, PWR0\nC, SourceVGA, VGA\nC, SOURCECOMPOSITE, CMP\n");
    // Without UnFreeze the picture is never taken as frozen: each press freezes again.
    EXPECT_EQ(ExtraButtons(), std::vector<wxString>{"Lamp Hours"});
    for (int twice = 0; twice < 2; ++twice)
    {
        SyncWithDisplayServer(); // a late map of the last Show would show the window again during the waits
        FlushEvents();
        Use(frame->m_btnFreeze);
    }
    EXPECT_FALSE(frame->m_frozen || frame->m_btnFreeze->IsHighlighted());
    EXPECT_EQ(frame->waits, (std::vector<long>{100, 100, 100, 100})); // hidden before, and the delay but at least 100 ms
    EXPECT_EQ(frame->shownDuringWait, std::vector<bool>(4, false));
    Bytes answer = Packet('R', {0x4C, 0x31}); // the projector's answer goes to standard output
    answer.insert(answer.begin(), 0x06);
    sim.QueueBytes(answer);
    testing::internal::CaptureStdout();
    ClickExtra(0);
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_NE(printed.find(" 4C 31"), std::string::npos) << printed;
    EXPECT_EQ(sim.RequestsWithoutResends(),
              (std::vector<Bytes>{Packet('P', {'F', 'R', 'Z', 0x0D}), Packet('P', {'L', 'M', 'P', '?', 0x0D})}));
    EXPECT_GE(sim.RequestCount(), 3u);
    ProjectorEntry bad{"CustomList", ProjectorEntry::COMMAND, "Broken", "<zz>"}; // refused by the reader, put in by hand
    theProjectorList->GetProjector(0)->AddEntry(bad);
    Use(frame->m_projectorChoice, 1);
    thePanelComm->Disconnect();
    wxTEST_DIALOG(ClickExtra(1), ExpectMessageBox("The command is not well formed", "Command Error"));
    EXPECT_FALSE(thePanelComm->IsConnected()) << "refused before connecting";

    // Freeze and UnFreeze alternate; a failed freeze changes nothing; choosing again clears it.
    Use(frame->m_projectorChoice, 2);
    EXPECT_TRUE(ExtraButtons().empty());
    EXPECT_FALSE(frame->m_extraCmdPanel->IsShown());
    Use(frame->m_btnFreeze);
    EXPECT_TRUE(frame->m_frozen && frame->m_btnFreeze->IsHighlighted());
    Use(frame->m_btnFreeze);
    EXPECT_FALSE(frame->m_frozen || frame->m_btnFreeze->IsHighlighted());
    EXPECT_EQ(frame->waits.size(), 6u) << "no hiding around an unfreeze";
    sim.QueueNak();
    sim.QueueNak();
    wxTEST_DIALOG(Use(frame->m_btnFreeze), ExpectMessageBox("control panel did not accept the command", COMM_ERROR));
    EXPECT_FALSE(frame->m_frozen);
    EXPECT_TRUE(frame->IsShown());
    Use(frame->m_btnFreeze);
    EXPECT_EQ(sim.Requests().back(), Packet('P', {'F', 'R', 'Z'}));
    Use(frame->m_projectorChoice, 2);
    EXPECT_FALSE(frame->m_frozen || frame->m_btnFreeze->IsHighlighted());
    EXPECT_TRUE(frame->m_btnFreeze->IsShown());
    Use(frame->m_projectorChoice, 3); // UnFreeze without Freeze gets no button at all
    EXPECT_FALSE(frame->m_btnFreeze->IsShown());
    EXPECT_TRUE(ExtraButtons().empty());
}

TEST_F(MainFrameTest, ExtraCommandWithLatin1NameIsFoundWhateverTheLocale)
{
    const std::string oldLocale = setlocale(LC_CTYPE, nullptr); // under UTF-8 the name cannot go back and forth
    if (!setlocale(LC_CTYPE, "C.UTF-8"))
        GTEST_SKIP() << "no C.UTF-8 locale here";
    StartConnected("projector: Room 1\nC, Entr\xe9" "e, INP1<cr>\n"); // "Entrée" in Latin-1
    ASSERT_EQ(ExtraButtons().size(), 1u);
    EXPECT_FALSE(ExtraButtons()[0].empty());
    ClickExtra(0);
    EXPECT_EQ(sim.RequestsWithoutResends(), std::vector<Bytes>{Packet('P', {'I', 'N', 'P', '1', 0x0D})});
    setlocale(LC_CTYPE, oldLocale.c_str());
}

TEST_F(MainFrameTest, ViewMenuPasswordAndTheOptionsFromTheSettings)
{
    theSettings->Write(KEY_OPTIONS_STAYONTOP, true);
    Start();
    EXPECT_TRUE(frame->HasFlag(wxSTAY_ON_TOP));
    Use(frame->m_chkStayOnTop, false);
    EXPECT_FALSE(frame->HasFlag(wxSTAY_ON_TOP));
    EXPECT_TRUE(theSettings->ReadBool(KEY_OPTIONS_STAYONTOP, false)) << "the check box is not stored";

    // Item 0 hides the options, 1 shows them (the frame grows), 2 asks for the
    // password; the check marks follow (an item without one has a transparent picture).
    auto marked = [this](unsigned item) {
        const wxImage image = frame->m_viewCombo->GetItemBitmap(item).ConvertToImage();
        for (int x = 0; x < image.GetWidth(); ++x)
            for (int y = 0; y < image.GetHeight(); ++y)
                if (!image.HasAlpha() || image.GetAlpha(x, y) > 0)
                    return true;
        return false;
    };
    const int narrow = frame->GetSize().GetWidth();
    EXPECT_TRUE(!frame->m_advancedPanel->IsShown() && marked(0) && !marked(1));
    for (int twice = 0; twice < 2; ++twice)
        Use(frame->m_viewCombo, 1);
    EXPECT_TRUE(frame->m_advancedPanel->IsShown() && !marked(0) && marked(1));
    EXPECT_EQ(frame->m_viewCombo->GetValue(), "      Options");
    EXPECT_GT(frame->GetSize().GetWidth(), narrow);
    wxTEST_DIALOG(Use(frame->m_viewCombo, 2), ExpectPasswordPrompt("lemon"),
                  wxExpectDismissableModal<ConfigDlg>(wxID_CANCEL));
    wxTEST_DIALOG(frame->OpenConfiguration(), ExpectPasswordPrompt("Lemon"),
                  ExpectMessageBox("Password was incorrect", "Password Entry"));
    wxTEST_DIALOG(frame->OpenConfiguration(), ExpectPasswordPrompt("")); // cancelled: no message
    theSettings->Write(KEY_OPTIONS_PASSWORD, wxString()); // can never be given
    wxTEST_DIALOG(frame->OpenConfiguration(), ExpectPasswordPrompt(""));
    theSettings->Write(KEY_OPTIONS_PASSWORD, "harbor"); // no prompt: any other dialog would fail the test
    wxTEST_DIALOG(frame->OpenConfiguration(), wxExpectDismissableModal<ConfigDlg>(wxID_CANCEL));
    EXPECT_EQ(frame->m_viewCombo->GetValue(), "      Options");
    Use(frame->m_viewCombo, 0);
    EXPECT_TRUE(!frame->m_advancedPanel->IsShown() && marked(0) && !marked(1));
    EXPECT_EQ(frame->GetSize().GetWidth(), narrow);
}

} // namespace
