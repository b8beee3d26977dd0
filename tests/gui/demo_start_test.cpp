// Starting in demo mode: "Demo Mode" is ticked from the start, and every
// control works at once without a word to the control box.

#include "mainframe_fixture.h"

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

} // namespace
