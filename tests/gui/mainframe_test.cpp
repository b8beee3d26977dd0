// The main window on the simulated box: what each control sends and what the
// window then shows, the extra commands' 8-bit names, the password, and the
// schedules after a sleep.

#include "configdlg/configdlg.h"
#include "schedule/schedule.h"
#include "schedule/scheduleclock.h"

#include "mainframe_fixture.h"
#include "support/core/scoped_env.h"
#include "support/gui/fake_login_manager.h"

#include "session/sessionwatch.h" // after GoogleTest: the session manager's headers define Bool

#include <wx/textdlg.h>

#include <clocale>

namespace {

// The password prompt: types the answer, or cancels when it is empty.
class ExpectPasswordPrompt : public wxExpectModalBase<wxPasswordEntryDialog, ExpectPasswordPrompt>
{
public:
    explicit ExpectPasswordPrompt(const wxString& answer) : m_answer(answer) {}

protected:
    int OnInvoked(wxPasswordEntryDialog* dialog) const override
    {
        dialog->SetValue(m_answer);
        return m_answer.empty() ? wxID_CANCEL : wxID_OK;
    }

private:
    wxString m_answer;
};

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

TEST_F(MainFrameTest, ControlsSendTheirPacketsAndTheWindowShowsWhatTheBoxReports)
{
    StartConnected();
    sim.SetStatus({1, 3, 10, 0, 0, 0});
    Click(frame->m_btnOn);
    Click(frame->m_btnVcr); // sets the source, then polls the status at once
    Click(frame->m_btnComp2);
    EXPECT_TRUE(frame->m_btnVcr->IsHighlighted() && !frame->m_btnComp2->IsHighlighted()) << "the box reports VCR/DVD";
    EXPECT_EQ(frame->m_sliderVolume->GetValue(), 10);
    Use(frame->m_micChoice, 3);
    Click(frame->m_btnBlank); // what the box acknowledged shows at once: blank toggles
    EXPECT_TRUE(frame->m_btnBlank->IsHighlighted() && frame->m_btnOn->IsHighlighted());
    Click(frame->m_btnBlank);
    Click(frame->m_btnOff); // off disables the panels but not On
    EXPECT_FALSE(frame->m_btnBlank->IsHighlighted() || frame->m_btnOn->IsHighlighted() || frame->m_btnMute->IsEnabled());
    EXPECT_TRUE(frame->m_btnOff->IsHighlighted() && frame->m_btnOn->IsEnabled());
    EXPECT_EQ(sim.RequestsWithoutResends(),
              (std::vector<Bytes>{Packet('A', {1}), Packet('J', {3}), Packet('Q'), Packet('J', {2}), Packet('Q'),
                                  Packet('D', {3}), Packet('H', {1}), Packet('H', {0}), Packet('A', {2})}));

    // Power bytes 3 and 4 mean on and off; the arrows step the volume by two
    // and stop at the ends (a press is posted: sent afterwards).
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
        if (row.arrow)
            Click(row.arrow);
        EXPECT_EQ(sim.RequestCount(), 0u);
        FlushEvents();
        EXPECT_EQ(sim.RequestsWithoutResends(), row.arrow ? std::vector<Bytes>{row.sent} : std::vector<Bytes>{});
        EXPECT_EQ(frame->m_btnVolumeUp->IsEnabled(), row.upEnabled);
        EXPECT_EQ(frame->m_btnVolumeDown->IsEnabled(), row.downEnabled);
    }
}

TEST_F(MainFrameTest, ExtraCommandWithLatin1NameIsFoundWhateverTheLocale)
{
    const std::string oldLocale = setlocale(LC_CTYPE, nullptr); // under UTF-8 the name cannot go back and forth
    if (!setlocale(LC_CTYPE, "C.UTF-8"))
        GTEST_SKIP() << "no C.UTF-8 locale here";
    StartConnected("projector: Room 1\nC, Entr\xe9" "e, INP1<cr>\n"); // "Entrée" in Latin-1
    ASSERT_EQ(frame->m_extraCmdSizer->GetItemCount(), 1u);
    auto* button = dynamic_cast<wxButton*>(frame->m_extraCmdSizer->GetItem(size_t(0))->GetWindow());
    EXPECT_FALSE(button->GetLabel().empty());
    Use(button);
    EXPECT_EQ(sim.RequestsWithoutResends(), std::vector<Bytes>{Packet('P', {'I', 'N', 'P', '1', 0x0D})});
    setlocale(LC_CTYPE, oldLocale.c_str());
}

TEST_F(MainFrameTest, OnlyTheExactPasswordOpensTheConfiguration)
{
    // Catches: a password taken in another case, a wrong one let through
    // quietly, or an empty stored password that opens without asking.
    Start();
    wxTEST_DIALOG(frame->OpenConfiguration(), ExpectPasswordPrompt("lemon"),
                  wxExpectDismissableModal<ConfigDlg>(wxID_CANCEL));
    wxTEST_DIALOG(frame->OpenConfiguration(), ExpectPasswordPrompt("Lemon"),
                  ExpectMessageBox("Password was incorrect", "Password Entry"));
    theSettings->Write(KEY_OPTIONS_PASSWORD, wxString()); // can never be given
    wxTEST_DIALOG(frame->OpenConfiguration(), ExpectPasswordPrompt(""));
}

} // namespace
