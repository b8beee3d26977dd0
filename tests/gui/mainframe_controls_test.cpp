// What each control of the main window sends, and what the window then shows.

#include "mainframe_fixture.h"

#include <wx/app.h>
#include <wx/button.h>

#include <clocale>
#include <string>

namespace {

using Bytes = PanelSimulator::Bytes;

const char* const NO_PROJECTOR = "No projector is selected.\nPlease select projector before using Kesto";

TEST_F(MainFrameTest, WithoutProjectorEveryControlAsksForOneAndSendsNothing)
{
    WriteProjectors("projector: Room 1\nC, On, PWR1<cr>\n");
    Build(); // no default projector: "**Choose Projector**" stays selected
    ASSERT_EQ(frame->m_projectorChoice->GetSelection(), 0);
    EXPECT_FALSE(frame->m_projectorSelected);

    for (BmpTextButton* button : {frame->m_btnOn, frame->m_btnOff, frame->m_btnBlank, frame->m_btnMute,
                                  frame->m_btnVolumeDown, frame->m_btnVolumeUp, frame->m_btnComp1,
                                  frame->m_btnVcr, frame->m_btnComp2})
    {
        wxTEST_DIALOG(Click(button), ExpectMessageBox(NO_PROJECTOR, "Communication Error"));
    }
    wxTEST_DIALOG(Select(frame->m_micChoice, 2), ExpectMessageBox(NO_PROJECTOR, "Communication Error"));
    // The status timer stays silent about it.
    Tick();
    FlushEvents();
    EXPECT_EQ(sim.RequestCount(), 0u);
    EXPECT_FALSE(thePanelComm->IsConnected());
    EXPECT_EQ(thePanelStatus.powerState, 0);
    EXPECT_EQ(thePanelStatus.micLevel, 0);
}

TEST_F(MainFrameTest, DemoModeFollowsTheCommandsWithoutAnyPort)
{
    WriteProjectors("projector: Room 1\nC, On, PWR1<cr>\n");
    SetDefaultProjector("Room 1");
    thePanelComm->SetPortLister(PortListOf({})); // no box: the quiet start-up connection fails
    Build();
    EXPECT_FALSE(thePanelComm->IsConnected());
    EXPECT_FALSE(frame->m_linkUp);

    SetCheck(frame->m_chkDemoMode, true);
    EXPECT_TRUE(thePanelComm->IsDemo());
    EXPECT_TRUE(thePanelComm->IsConnected());

    // Seen switching off first, so that the panels are disabled...
    Click(frame->m_btnOff);
    EXPECT_TRUE(frame->m_btnOff->IsHighlighted());
    Click(frame->m_btnOn);
    Click(frame->m_btnOff);
    EXPECT_FALSE(frame->m_btnMute->IsEnabled());
    EXPECT_FALSE(frame->m_btnComp1->IsEnabled());
    EXPECT_FALSE(frame->m_sliderVolume->IsEnabled());
    EXPECT_TRUE(frame->m_btnOn->IsEnabled()) << "On is always enabled";

    // ...then "On" lights "On", puts "Off" out and enables them again.
    Click(frame->m_btnOn);
    EXPECT_TRUE(frame->m_btnOn->IsHighlighted());
    EXPECT_FALSE(frame->m_btnOff->IsHighlighted());
    EXPECT_TRUE(frame->m_btnMute->IsEnabled());
    EXPECT_TRUE(frame->m_btnComp1->IsEnabled());
    EXPECT_TRUE(frame->m_sliderVolume->IsEnabled());
    EXPECT_TRUE(frame->m_btnBlank->IsEnabled());

    Click(frame->m_btnBlank);
    EXPECT_TRUE(frame->m_btnBlank->IsHighlighted());
    Click(frame->m_btnBlank);
    EXPECT_FALSE(frame->m_btnBlank->IsHighlighted());
    Click(frame->m_btnBlank);
    EXPECT_TRUE(frame->m_btnBlank->IsHighlighted());

    Click(frame->m_btnVcr);
    EXPECT_TRUE(frame->m_btnVcr->IsHighlighted());
    EXPECT_FALSE(frame->m_btnComp1->IsHighlighted());

    // The status timer keeps what the commands set: no status query in demo mode.
    Tick();
    EXPECT_TRUE(frame->m_btnOn->IsHighlighted());
    EXPECT_TRUE(frame->m_btnBlank->IsHighlighted());
    EXPECT_EQ(sim.RequestCount(), 0u);
    EXPECT_EQ(bus->writes.size(), 0u);

    // Leaving demo mode disconnects; the next command connects to the box.
    SetCheck(frame->m_chkDemoMode, false);
    EXPECT_FALSE(thePanelComm->IsDemo());
    EXPECT_FALSE(thePanelComm->IsConnected());
}

TEST_F(MainFrameTest, PowerAndSourceSendTheirPacketsAndFollowTheReportedStatus)
{
    BuildConnected();
    sim.SetStatus({1, 3, 10, 0, 0, 0});
    Click(frame->m_btnOn);
    Click(frame->m_btnVcr); // sets the source, then polls the status at once

    std::vector<Bytes> requests = Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0], Packet('A', {1}));
    EXPECT_EQ(requests[1], Packet('J', {3}));
    EXPECT_EQ(requests[2], Packet('Q', {}));
    EXPECT_TRUE(frame->m_btnOn->IsHighlighted());
    EXPECT_TRUE(frame->m_btnVcr->IsHighlighted());
    EXPECT_EQ(frame->m_sliderVolume->GetValue(), 10);

    sim.ClearReceived();
    Click(frame->m_btnComp2);
    Click(frame->m_btnComp1);
    requests = Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0], Packet('J', {2}));
    EXPECT_EQ(requests[2], Packet('J', {1}));
    // The box still reports VCR/DVD: the window shows what it reported.
    EXPECT_TRUE(frame->m_btnVcr->IsHighlighted());
    EXPECT_FALSE(frame->m_btnComp1->IsHighlighted());
}

TEST_F(MainFrameTest, StatusPowerBytesThreeAndFourMeanOnAndOff)
{
    BuildConnected();
    sim.SetStatus({3, 1, 16, 1, 0, 2});
    Tick();
    EXPECT_EQ(thePanelStatus.powerState, 1);
    EXPECT_TRUE(frame->m_btnOn->IsHighlighted());
    EXPECT_FALSE(frame->m_btnOff->IsHighlighted());
    EXPECT_TRUE(frame->m_btnMute->IsHighlighted());
    EXPECT_TRUE(frame->m_btnComp1->IsHighlighted());
    EXPECT_EQ(frame->m_micChoice->GetSelection(), 2);

    sim.SetStatus({4, 1, 16, 0, 0, 2});
    Tick();
    EXPECT_EQ(thePanelStatus.powerState, 2);
    EXPECT_FALSE(frame->m_btnOn->IsHighlighted());
    EXPECT_TRUE(frame->m_btnOff->IsHighlighted());
    EXPECT_FALSE(frame->m_btnComp1->IsEnabled()) << "power seen going off disables the panels";
}

TEST_F(MainFrameTest, NakOnMuteIsReportedDisconnectsAndKeepsTheHighlight)
{
    BuildConnected();
    // The serial line asks again after a NAK: refuse both times.
    sim.QueueNak();
    sim.QueueNak();
    wxTEST_DIALOG(Click(frame->m_btnMute),
                  ExpectMessageBox("control panel did not accept the command", "Communication Error"));
    EXPECT_FALSE(thePanelComm->IsConnected());
    EXPECT_FALSE(frame->m_linkUp);
    EXPECT_FALSE(frame->m_btnMute->IsHighlighted());
    EXPECT_EQ(thePanelStatus.muteState, 0);

    // The timer does not poll a link that failed; the next command connects again.
    sim.ClearReceived();
    Tick();
    EXPECT_EQ(sim.RequestCount(), 0u);
    Click(frame->m_btnMute);
    EXPECT_TRUE(thePanelComm->IsConnected());
    EXPECT_TRUE(frame->m_btnMute->IsHighlighted());
    const std::vector<Bytes> requests = Requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back(), Packet('G', {1}));
}

TEST_F(MainFrameTest, LinkFailuresShowTheirMessages)
{
    BuildConnected();
    sim.QueueSilence();
    sim.QueueSilence();
    wxTEST_DIALOG(Click(frame->m_btnBlank),
                  ExpectMessageBox("control panel did not return any data", "Communication Error"));
    EXPECT_FALSE(frame->m_btnBlank->IsHighlighted());

    // A garbled answer: the link's own words, from the log. (Connected
    // again first, so that the probe does not take the garbled answer.)
    Click(frame->m_btnOff);
    ASSERT_TRUE(thePanelComm->IsConnected());
    sim.QueueBytes({0x41});
    sim.QueueBytes({0x41});
    wxTEST_DIALOG(Click(frame->m_btnOn),
                  ExpectMessageBox("expected ACK/NAK received 0x41", "Communication Error"));
    EXPECT_EQ(thePanelStatus.powerState, 2);
    EXPECT_TRUE(frame->m_btnOff->IsHighlighted());

    // Codes without a text of their own.
    wxTEST_DIALOG(frame->ReportCommError(7), ExpectMessageBox("unknown error occurred", "Communication Error"));
    frame->ReportCommError(0); // nothing at all
}

TEST_F(MainFrameTest, ConnectionFailureNamesTheLastError)
{
    WriteProjectors("projector: Room 1\nC, On, PWR1<cr>\n");
    SetDefaultProjector("Room 1");
    thePanelComm->SetPortLister(PortListOf({}));
    Build();
    ExpectMessageBoxStartingWith expectation("Unable to connect to control panel\n", "Communication Error");
    wxTEST_DIALOG(Click(frame->m_btnOn), expectation);
    EXPECT_EQ(expectation.message, wxString("Unable to connect to control panel\n") + log.GetLastErrorText());
    EXPECT_NE(wxString(log.GetLastErrorText()), wxString());
    EXPECT_FALSE(frame->m_linkUp);
    EXPECT_EQ(thePanelStatus.powerState, 0);
}

TEST_F(MainFrameTest, VolumeArrowsStepByTwoAndStopAtTheEnds)
{
    BuildConnected();
    sim.SetStatus({1, 1, 31, 0, 0, 0});
    Tick();
    ASSERT_EQ(frame->m_sliderVolume->GetValue(), 31);
    EXPECT_TRUE(frame->m_btnVolumeUp->IsEnabled());
    sim.ClearReceived();

    // The arrow posts a drag of the thumb: the volume goes out afterwards.
    Click(frame->m_btnVolumeUp);
    EXPECT_EQ(sim.RequestCount(), 0u);
    FlushEvents();
    std::vector<Bytes> requests = Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0], Packet('E', {32}));
    EXPECT_EQ(thePanelStatus.volumeLevel, 32);
    EXPECT_FALSE(frame->m_btnVolumeUp->IsEnabled());
    EXPECT_TRUE(frame->m_btnVolumeDown->IsEnabled());

    sim.SetStatus({1, 1, 1, 0, 0, 0});
    Tick();
    sim.ClearReceived();
    Click(frame->m_btnVolumeDown);
    FlushEvents();
    requests = Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0], Packet('E', {0}));
    EXPECT_FALSE(frame->m_btnVolumeDown->IsEnabled());

    // Both are off while the power is not on.
    sim.SetStatus({2, 1, 16, 0, 0, 0});
    Tick();
    EXPECT_FALSE(frame->m_btnVolumeDown->IsEnabled());
    EXPECT_FALSE(frame->m_btnVolumeUp->IsEnabled());
}

TEST_F(MainFrameTest, OnlyDraggingTheSliderSendsTheVolume)
{
    BuildConnected();
    sim.SetStatus({1, 1, 16, 0, 0, 0});
    Tick();
    sim.ClearReceived();

    frame->m_sliderVolume->SetValue(20);
    wxScrollEvent lineUp(wxEVT_SCROLL_LINEUP, frame->m_sliderVolume->GetId(), 20, wxHORIZONTAL);
    lineUp.SetEventObject(frame->m_sliderVolume);
    frame->m_sliderVolume->GetEventHandler()->ProcessEvent(lineUp);
    EXPECT_EQ(sim.RequestCount(), 0u);
    Tick(); // puts the slider back where the box is
    EXPECT_EQ(frame->m_sliderVolume->GetValue(), 16);

    sim.ClearReceived();
    frame->m_sliderVolume->SetValue(24);
    wxScrollEvent drag(wxEVT_SCROLL_THUMBTRACK, frame->m_sliderVolume->GetId(), 24, wxHORIZONTAL);
    drag.SetEventObject(frame->m_sliderVolume);
    frame->m_sliderVolume->GetEventHandler()->ProcessEvent(drag);
    const std::vector<Bytes> requests = Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0], Packet('E', {24}));
    EXPECT_EQ(thePanelStatus.volumeLevel, 24);
}

TEST_F(MainFrameTest, MicrophoneChoiceSendsItsLevel)
{
    BuildConnected();
    Select(frame->m_micChoice, 3);
    const std::vector<Bytes> requests = Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0], Packet('D', {3}));
    EXPECT_EQ(thePanelStatus.micLevel, 3);
}

TEST_F(MainFrameTest, OneExtraButtonForTheFurtherCommandAndFreezeRepeats)
{
    BuildConnected("projector: Room 1\n"
                   "C, On, PWR1<cr>\n"
                   "C, Freeze, FRZ<cr>\n"
                   "C, Lamp Hours, LMP?<cr>\n"
                   "P, Baud, 9600\n");
    ASSERT_EQ(frame->m_extraCmdSizer->GetItemCount(), 1u);
    wxButton* extra = wxDynamicCast(frame->m_extraCmdSizer->GetItem(size_t(0))->GetWindow(), wxButton);
    ASSERT_NE(extra, nullptr);
    EXPECT_EQ(extra->GetLabelText(), "Lamp Hours");
    EXPECT_TRUE(frame->m_extraCmdPanel->IsShown());
    EXPECT_TRUE(frame->m_btnFreeze->IsShown());

    for (int press = 0; press < 2; ++press)
    {
        Click(frame->m_btnFreeze);
        EXPECT_FALSE(frame->m_frozen) << "without UnFreeze the picture is never taken as frozen";
        EXPECT_FALSE(frame->m_btnFreeze->IsHighlighted());
    }
    std::vector<Bytes> requests = Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0], Packet('P', {'F', 'R', 'Z', 0x0D}));
    EXPECT_EQ(requests[1], Packet('P', {'F', 'R', 'Z', 0x0D}));
    EXPECT_EQ(frame->waits, (std::vector<long>{100, 500, 100, 500}));

    // The extra button sends its command; the projector's answer goes to
    // standard output.
    sim.ClearReceived();
    Bytes answer = {0x06};
    const Bytes reply = Packet('R', {0x4C, 0x31});
    answer.insert(answer.end(), reply.begin(), reply.end());
    sim.QueueBytes(answer);
    testing::internal::CaptureStdout();
    wxCommandEvent click(wxEVT_BUTTON, extra->GetId());
    click.SetEventObject(extra);
    extra->GetEventHandler()->ProcessEvent(click);
    const std::string printed = testing::internal::GetCapturedStdout();
    requests = Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0], Packet('P', {'L', 'M', 'P', '?', 0x0D}));
    EXPECT_NE(printed.find(" 4C 31\n"), std::string::npos) << printed;
}

TEST_F(MainFrameTest, FreezeAndUnFreezeAlternate)
{
    theSettings->Write(KEY_OPTIONS_FREEZEDELAY, 20L);
    BuildConnected("projector: Room 1\n"
                   "C, UnFreeze, UFZ\n"
                   "C, freeze, FRZ\n");
    EXPECT_EQ(frame->m_extraCmdSizer->GetItemCount(), 0u);
    EXPECT_FALSE(frame->m_extraCmdPanel->IsShown());

    Click(frame->m_btnFreeze);
    EXPECT_TRUE(frame->m_frozen);
    EXPECT_TRUE(frame->m_btnFreeze->IsHighlighted());
    // Hidden for 100 ms before the freeze and for the delay after, never less than 100 ms.
    EXPECT_EQ(frame->waits, (std::vector<long>{100, 100}));
    EXPECT_EQ(frame->shownDuringWait, (std::vector<bool>{false, false}));
    EXPECT_TRUE(frame->IsShown());

    Click(frame->m_btnFreeze);
    EXPECT_FALSE(frame->m_frozen);
    EXPECT_FALSE(frame->m_btnFreeze->IsHighlighted());
    EXPECT_EQ(frame->waits.size(), 2u) << "no hiding around an unfreeze";

    const std::vector<Bytes> requests = Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0], Packet('P', {'F', 'R', 'Z'}));
    EXPECT_EQ(requests[1], Packet('P', {'U', 'F', 'Z'}));

    // A failed freeze is reported and leaves the state as it was.
    sim.QueueNak();
    sim.QueueNak();
    wxTEST_DIALOG(Click(frame->m_btnFreeze),
                  ExpectMessageBox("control panel did not accept the command", "Communication Error"));
    EXPECT_FALSE(frame->m_frozen);
    EXPECT_TRUE(frame->IsShown());

    // Choosing the projector again clears the frozen state.
    Click(frame->m_btnFreeze);
    ASSERT_TRUE(frame->m_frozen);
    Select(frame->m_projectorChoice, 1);
    EXPECT_FALSE(frame->m_frozen);
    EXPECT_FALSE(frame->m_btnFreeze->IsHighlighted());
}

TEST_F(MainFrameTest, UnFreezeWithoutFreezeGetsNoButtonAtAll)
{
    BuildConnected("projector: Room 1\n"
                   "C, UnFreeze, UFZ\n"
                   "C, Off, PWR0\n"
                   "C, SourceVGA, VGA\n"
                   "C, SOURCECOMPOSITE, CMP\n");
    EXPECT_FALSE(frame->m_btnFreeze->IsShown());
    EXPECT_EQ(frame->m_extraCmdSizer->GetItemCount(), 0u);
    EXPECT_FALSE(frame->m_extraCmdPanel->IsShown());
}

TEST_F(MainFrameTest, MalformedExtraCommandIsRefusedBeforeConnecting)
{
    WriteProjectors("projector: Room 1\nC, Lamp, LMP\n");
    SetDefaultProjector("Room 1");
    thePanelComm->SetPortLister(PortListOf({})); // stays disconnected
    Build();
    // A value the reader would refuse, put in by hand.
    ProjectorEntry bad;
    bad.source = "CustomList";
    bad.name = "Broken";
    bad.value = "<zz>";
    theProjectorList->GetProjector(0)->AddEntry(bad);
    Select(frame->m_projectorChoice, 1);
    ASSERT_EQ(frame->m_extraCmdSizer->GetItemCount(), 2u);
    wxButton* broken = wxDynamicCast(frame->m_extraCmdSizer->GetItem(size_t(1))->GetWindow(), wxButton);
    ASSERT_NE(broken, nullptr);

    wxCommandEvent click(wxEVT_BUTTON, broken->GetId());
    click.SetEventObject(broken);
    wxTEST_DIALOG(broken->GetEventHandler()->ProcessEvent(click),
                  ExpectMessageBox("The command is not well formed", "Command Error"));
    EXPECT_FALSE(thePanelComm->IsConnected());
}

TEST_F(MainFrameTest, PictureButtonClicksOnlyWhenReleasedOverIt)
{
    BuildConnected();
    auto mouse = [this](wxEventType type) {
        wxMouseEvent event(type);
        event.SetEventObject(frame->m_btnOn);
        frame->m_btnOn->GetEventHandler()->ProcessEvent(event);
    };
    mouse(wxEVT_ENTER_WINDOW);
    mouse(wxEVT_LEFT_DOWN);
    mouse(wxEVT_LEAVE_WINDOW);
    mouse(wxEVT_LEFT_UP);
    EXPECT_EQ(sim.RequestCount(), 0u);
    mouse(wxEVT_ENTER_WINDOW);
    mouse(wxEVT_LEFT_DOWN);
    mouse(wxEVT_LEFT_UP);
    const std::vector<Bytes> requests = Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0], Packet('A', {1}));
    EXPECT_TRUE(frame->m_btnOn->IsHighlighted());
}

} // namespace

namespace {

TEST_F(MainFrameTest, ExtraCommandWithLatin1NameIsFoundWhateverTheLocale)
{
    // Under a UTF-8 locale the name cannot be converted back and forth.
    const std::string oldLocale = setlocale(LC_CTYPE, nullptr);
    if (!setlocale(LC_CTYPE, "C.UTF-8"))
        GTEST_SKIP() << "no C.UTF-8 locale here";
    struct Restore
    {
        std::string locale;
        ~Restore() { setlocale(LC_CTYPE, locale.c_str()); }
    } restore{oldLocale};

    // "Entrée" written in Latin-1: not valid UTF-8.
    BuildConnected("projector: Room 1\nC, Entr\xe9" "e, INP1<cr>\n");
    ASSERT_EQ(frame->m_extraCmdSizer->GetItemCount(), 1u);
    wxButton* button = wxDynamicCast(frame->m_extraCmdSizer->GetItem(size_t(0))->GetWindow(), wxButton);
    ASSERT_NE(button, nullptr);
    EXPECT_FALSE(button->GetLabelText().empty());
    wxCommandEvent click(wxEVT_BUTTON, button->GetId());
    click.SetEventObject(button);
    button->GetEventHandler()->ProcessEvent(click);
    const std::vector<Bytes> requests = Requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests[0], Packet('P', {'I', 'N', 'P', '1', 0x0D}));
}

} // namespace
