// The main window opens the configuration dialog and picks up what it saved:
// the projectors, and a schedule that switches the simulated box at its minute.

#include "configdlg/configdlg.h"
#include "configdlg/treeitemdata.h"
#include "schedule/schedule.h"
#include "schedule/scheduleclock.h"
#include "scheduledlg/scheduleeditdlg.h"
#include "session/sessionending.h"

#include "mainframe_fixture.h"

#include <functional>

namespace {

// Works in the open dialog as the installer would, then closes it with this code.
template <class Dialog>
class InDialog : public wxExpectModalBase<Dialog, InDialog<Dialog>>
{
public:
    InDialog(std::function<void(Dialog*)> work, int code) : m_work(std::move(work)), m_code(code) {}

protected:
    int OnInvoked(Dialog* dialog) const override
    {
        m_work(dialog);
        return m_code;
    }

private:
    std::function<void(Dialog*)> m_work;
    int m_code;
};

void Press(wxWindow* button)
{
    ASSERT_NE(button, nullptr);
    wxCommandEvent click(wxEVT_BUTTON, button->GetId());
    click.SetEventObject(button);
    button->GetEventHandler()->ProcessEvent(click);
}

// Adds a projector to the dialog's user list, presses "Save", then does more.
InDialog<ConfigDlg> AddAndSave(const std::string& name, std::function<void(ConfigDlg*)> more)
{
    return InDialog<ConfigDlg>(
        [=](ConfigDlg* dialog) {
            auto* tree = dynamic_cast<wxTreeCtrl*>(dialog->FindWindow(ConfigDlg::ID_USER_TREE));
            ProjectorList* list = dynamic_cast<TreeItemData*>(tree->GetItemData(tree->GetRootItem()))->List();
            list->AddProjector(name)->AddEntry({list->GetSource(0)->name, ProjectorEntry::COMMAND, "On", "ON<cr>"});
            Press(dialog->FindWindow(ConfigDlg::ID_USER_SAVE));
            more(dialog);
        },
        wxID_CANCEL);
}

// Reaches the window's schedule timer, which the tests fire themselves.
struct TimerOf : TestMainFrame
{
    static wxTimer& Schedules(MainFrame* frame) { return frame->*(&TimerOf::m_scheduleTimer); }
};

} // namespace

class ConfigOpenTest : public MainFrameTest
{
protected:
    void SetUp() override
    {
        MainFrameTest::SetUp();
        theSettings->Write(KEY_OPTIONS_PASSWORD, "harbor"); // the installer's: no question
        SetScheduleClock([this] { return now; });
    }
    void TearDown() override
    {
        if (frame)
            TimerOf::Schedules(frame).Stop();
        MainFrameTest::TearDown();
        SetScheduleClock(nullptr);
        theScheduleList.clear();
        theSessionEnding = false;
    }

    std::vector<std::string> Choice() const
    {
        std::vector<std::string> items;
        for (unsigned i = 0; i < frame->m_projectorChoice->GetCount(); ++i)
            items.push_back(frame->m_projectorChoice->GetString(i).utf8_string());
        return items;
    }

    void FireSchedules()
    {
        wxTimerEvent event(TimerOf::Schedules(frame));
        frame->ProcessWindowEvent(event);
    }
    std::vector<int> PowerCommands() const
    {
        std::vector<int> values;
        for (const Bytes& request : sim.RequestsWithoutResends()) // a late answer is sent again
            if (request.size() == 5 && request[0] == 'A')
                values.push_back(request[2]);
        return values;
    }

    wxDateTime now = wxDateTime(4, wxDateTime::May, 2026, 6, 59, 30);
};

TEST_F(ConfigOpenTest, SavedProjectorsAndSchedulesReachTheWindowUnlessTheSessionEnds)
{
    Start("projector: Room 1\nC, On, PWR1<cr>\n", "Room 1");
    // A probe answered late on a busy machine leaves the start-up unconnected: ask again.
    ASSERT_TRUE(thePanelComm->IsConnected() || thePanelComm->Connect() == 0) << log.Text();
    sim.ClearReceived();
    Schedule lecture;
    lecture.action = TurnOn;
    lecture.repeat = Daily;
    lecture.startTime = wxDateTime(4, wxDateTime::May, 2026, 7, 0, 0);
    lecture.stopTime = ScheduleNeverTime;
    wxTEST_DIALOG(frame->OpenConfiguration(), AddAndSave("Hall 2", [](ConfigDlg* dialog) {
                      Press(wxWindow::FindWindowByLabel("New", dialog));
                  }),
                  InDialog<ScheduleEditDlg>([&](ScheduleEditDlg* editor) { editor->SetSchedule(lecture); }, wxID_OK));
    EXPECT_EQ(Choice(), (std::vector<std::string>{"**Choose Projector**", "Hall 2", "Room 1"}));
    ASSERT_EQ(theScheduleList.size(), 1u);
    EXPECT_EQ(theScheduleList[0].nextTime, lecture.startTime);
    // Restarted after the dialog: the first pass comes a second later.
    EXPECT_EQ(TimerOf::Schedules(frame).GetInterval(), 1000);

    FireSchedules(); // 06:59:30: nothing yet
    EXPECT_TRUE(PowerCommands().empty());
    EXPECT_EQ(TimerOf::Schedules(frame).GetInterval(), 30000);
    now = wxDateTime(4, wxDateTime::May, 2026, 7, 0, 0, 200);
    FireSchedules();
    ASSERT_TRUE(sim.WaitForRequests(1, 2000));
    EXPECT_EQ(PowerCommands(), std::vector<int>{1});
    EXPECT_EQ(theScheduleList[0].nextTime, wxDateTime(5, wxDateTime::May, 2026, 7, 0, 0));
    EXPECT_EQ(TimerOf::Schedules(frame).GetInterval(), 60000); // at most a minute

    // As if saved by another program meanwhile: a line is skipped.
    wxTEST_DIALOG(frame->OpenConfiguration(),
                  InDialog<ConfigDlg>([&](ConfigDlg*) { WriteProjectors("projector: Room 1\nC, On\nC, Off, b\n"); },
                                      wxID_CANCEL),
                  ExpectMessageBox("There were warnings concerning the projector files\nSee log for more details.",
                                   "Projector File Read Error", wxICON_EXCLAMATION));
    EXPECT_EQ(Choice(), (std::vector<std::string>{"**Choose Projector**", "Room 1"}));

    // Nothing follows once the session ends: no new choice, no pass, no schedule timer.
    TimerOf::Schedules(frame).Stop();
    wxTEST_DIALOG(frame->OpenConfiguration(), AddAndSave("Hall 3", [](ConfigDlg*) { theSessionEnding = true; }));
    EXPECT_EQ(Choice(), (std::vector<std::string>{"**Choose Projector**", "Room 1"}));
    theScheduleList[0].nextTime = now;
    FireSchedules();
    frame->RestartSchedules();
    EXPECT_FALSE(TimerOf::Schedules(frame).IsRunning());
    EXPECT_EQ(PowerCommands(), std::vector<int>{1});
    theSessionEnding = false;
}
