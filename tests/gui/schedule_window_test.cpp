// The main window's schedule timer: a schedule made in the configuration
// dialog switches the simulated box at its minute.

#include "configdlg/configdlg.h"
#include "mainframe/sessionending.h"
#include "schedule/schedule.h"
#include "schedule/scheduleclock.h"
#include "schedule/scheduleeditdlg.h"
#include "schedule/schedulestore.h"

#include "mainframe_fixture.h"

#include <functional>

namespace {

class ScheduleFrame : public TestMainFrame
{
public:
    using MainFrame::m_scheduleTimer;
    using MainFrame::OnScheduleTimer;
    using MainFrame::RestartSchedules;
};

// In the open configuration dialog, presses "New" on the Schedules page.
class PressNewSchedule : public wxExpectModalBase<ConfigDlg, PressNewSchedule>
{
protected:
    int OnInvoked(ConfigDlg* dialog) const override
    {
        wxWindow* button = wxWindow::FindWindowByLabel("New", dialog);
        EXPECT_NE(button, nullptr);
        if (button != nullptr)
        {
            wxCommandEvent click(wxEVT_BUTTON, button->GetId());
            click.SetEventObject(button);
            button->GetEventHandler()->ProcessEvent(click);
        }
        return wxID_CANCEL; // the close box
    }
};

// The editor confirms this record.
class ConfirmSchedule : public wxExpectModalBase<ScheduleEditDlg, ConfirmSchedule>
{
public:
    explicit ConfirmSchedule(Schedule record) : m_record(std::move(record)) {}

protected:
    int OnInvoked(ScheduleEditDlg* dialog) const override
    {
        dialog->SetSchedule(m_record);
        return wxID_OK;
    }

private:
    Schedule m_record;
};

class ScheduleWindow : public MainFrameTest
{
protected:
    ScheduleFrame* window = nullptr;
    wxDateTime now = wxDateTime(4, wxDateTime::May, 2026, 6, 59, 30);

    void SetUp() override
    {
        MainFrameTest::SetUp();
        theScheduleList.clear();
        SetScheduleClock([this] { return now; });
    }

    void TearDown() override
    {
        if (window)
            window->m_scheduleTimer.Stop();
        MainFrameTest::TearDown();
        SetScheduleClock(nullptr);
        theScheduleList.clear();
        theSessionEnding = false;
    }

    void BuildWindow()
    {
        WriteProjectors("projector: Room 1\nC, On, PWR1<cr>\n");
        SetDefaultProjector("Room 1");
        window = new ScheduleFrame;
        frame = window;
        frame->m_statusTimer.Stop();
        frame->Show();
        Tick();
        ASSERT_TRUE(thePanelComm->IsConnected()) << log.Text();
        sim.ClearReceived();
    }

    void Fire()
    {
        wxTimerEvent event(window->m_scheduleTimer);
        window->OnScheduleTimer(event);
    }

    std::vector<int> PowerCommands()
    {
        std::vector<int> values;
        for (const PanelSimulator::Bytes& request : sim.Requests())
            if (request.size() == 5 && request[0] == 'A')
                values.push_back(request[2]);
        return values;
    }
};

TEST_F(ScheduleWindow, AScheduleMadeInTheDialogSwitchesTheBoxAtItsMinute)
{
    theSettings->Write(KEY_OPTIONS_PASSWORD, "harbor");
    BuildWindow();
    EXPECT_TRUE(window->m_scheduleTimer.IsOneShot());

    Schedule lecture;
    lecture.name = "Lecture";
    lecture.action = TurnOn;
    lecture.repeat = Daily;
    lecture.startTime = wxDateTime(4, wxDateTime::May, 2026, 7, 0, 0);
    lecture.stopTime = ScheduleNeverTime;
    wxTEST_DIALOG(frame->OpenConfiguration(), PressNewSchedule(), ConfirmSchedule(lecture));
    ASSERT_EQ(theScheduleList.size(), 1u);
    EXPECT_EQ(theScheduleList[0].nextTime, lecture.startTime);
    // Restarted after the dialog: the first pass comes a second later.
    EXPECT_EQ(window->m_scheduleTimer.GetInterval(), 1000);

    Fire(); // 06:59:30: nothing yet
    EXPECT_TRUE(PowerCommands().empty());
    EXPECT_EQ(window->m_scheduleTimer.GetInterval(), 30000);

    now = wxDateTime(4, wxDateTime::May, 2026, 7, 0, 0, 200);
    Fire();
    ASSERT_TRUE(sim.WaitForRequests(1, 2000));
    EXPECT_EQ(PowerCommands(), std::vector<int>{1});
    EXPECT_EQ(theScheduleList[0].nextTime, wxDateTime(5, wxDateTime::May, 2026, 7, 0, 0));
    EXPECT_EQ(window->m_scheduleTimer.GetInterval(), 3600000); // at most an hour
    EXPECT_TRUE(window->m_scheduleTimer.IsRunning());
}

TEST_F(ScheduleWindow, NoPassAndNoRestartOnceTheSessionEnds)
{
    Schedule due;
    due.action = TurnOff;
    due.repeat = Daily;
    due.startTime = wxDateTime(1, wxDateTime::May, 2026, 6, 59, 30);
    due.stopTime = ScheduleNeverTime;
    theScheduleList = {due};
    BuildWindow();
    ASSERT_EQ(theScheduleList[0].nextTime, now + wxTimeSpan::Day()); // today's moment is a second too close

    theScheduleList[0].nextTime = now;
    window->m_scheduleTimer.Stop();
    theSessionEnding = true;
    Fire();
    window->RestartSchedules();
    EXPECT_FALSE(window->m_scheduleTimer.IsRunning());
    EXPECT_TRUE(PowerCommands().empty());
}

} // namespace
