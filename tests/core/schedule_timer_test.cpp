// One firing of the schedule timer against the simulated control box: what
// reaches the box, in what order, how often, and the wait it leaves.

#include "comm/panelcomm.h"
#include "schedule/schedule.h"
#include "schedule/schedulepass.h"
#include "schedule/scheduleclock.h"
#include "schedule/schedulestore.h"
#include "settings/settings.h"

#include "support/core/fake_ddc_bus.h"
#include "support/core/log_recorder.h"
#include "support/core/panel_simulator.h"
#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

class SchedulePass : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(box.Start());
        comm = MakeLink({box.Path()});
        ASSERT_TRUE(ConnectPatiently(*comm)) << log.Text();
        box.ClearReceived();
        SetScheduleClock([this] { return now; });
        std::swap(theSettings, m_oldSettings);
        theSettings = OpenSettingsStore(wxString::FromUTF8(dir.File("AulavoxKesto.ini")));
    }

    void TearDown() override
    {
        SetScheduleClock(nullptr);
        delete theSettings;
        theSettings = m_oldSettings;
    }

    // A link whose only serial ports are these; no I2C bus.
    static std::unique_ptr<PanelComm> MakeLink(std::vector<std::string> ports)
    {
        auto link = std::make_unique<PanelComm>(MissingDdcBus());
        link->SetPortLister(PortListOf(std::move(ports)));
        return link;
    }

    // A daily record due now, or a one-time record due at this offset from now.
    Schedule Due(int32_t action, bool enabled = true, const wxTimeSpan& offset = wxTimeSpan())
    {
        Schedule s;
        s.repeat = offset.IsNull() ? Daily : Never;
        s.action = action;
        s.enabled = enabled;
        s.startTime = offset.IsNull() ? now - wxDateSpan::Week() : now + offset;
        s.stopTime = ScheduleNeverTime;
        s.nextTime = offset.IsNull() ? now : s.startTime;
        return s;
    }

    long Run() { return RunSchedulePass(list, *comm, power, [this](long ms) { waits.push_back(ms); }); }

    // The data bytes of the power commands the box received, in order;
    // folded: without the link's resends after a late answer.
    std::vector<int> PowerCommands(size_t expectedRequests, bool folded = true)
    {
        box.WaitForRequests(expectedRequests, 5000);
        std::vector<int> values;
        for (const PanelSimulator::Bytes& request : folded ? box.RequestsWithoutResends() : box.Requests())
            if (request.size() == 5 && request[0] == 'A')
                values.push_back(request[2]);
        return values;
    }

    LogRecorder log;
    PanelSimulator box;
    TempDir dir;
    std::unique_ptr<PanelComm> comm;
    SettingsStore* m_oldSettings = nullptr;
    const wxDateTime now = wxDateTime(10, wxDateTime::May, 2010, 8, 0, 0);
    std::vector<long> waits;
    int8_t power = 0;
    ScheduleList list;
};

TEST_F(SchedulePass, DueRecordsAreSentInOrderAndTheWaitIsTheNearestMomentBetweenASecondAndAMinute)
{
    const struct { const char* what; ScheduleList records; bool switchedOn; std::vector<int> sent; long wait; } rows[] = {
        {"opposite actions: the later record wins", {Due(TurnOn), Due(TurnOff)}, true, {1, 2}, 60000},
        {"the first one disabled", {Due(TurnOn, false), Due(TurnOff)}, true, {2}, 60000},
        // Due records pass and are not caught up later.
        {"the global switch off", {Due(TurnOn), Due(TurnOff)}, false, {}, 60000},
        {"due in 0.4 s", {Due(TurnOn, true, wxTimeSpan::Milliseconds(400))}, true, {}, 1000},
        {"due in 1.5 s", {Due(TurnOn, true, wxTimeSpan::Milliseconds(1500))}, true, {}, 1500},
        // At most a minute: a clock set forward is seen within a minute, not an hour.
        {"due in 90 min", {Due(TurnOn, true, wxTimeSpan::Minutes(90))}, true, {}, 60000},
        {"the nearer of two", {Due(TurnOn, true, wxTimeSpan::Seconds(50)), Due(TurnOn, true, wxTimeSpan::Seconds(5))},
         true, {}, 5000},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.what);
        SetSchedulesEnabled(row.switchedOn);
        box.ClearReceived();
        list = row.records;
        EXPECT_EQ(Run(), row.wait);
        EXPECT_EQ(PowerCommands(row.sent.size()), row.sent);
        for (const Schedule& s : list)
            EXPECT_TRUE(s.repeat != Daily || s.nextTime == now + wxDateSpan::Day());
    }
}

TEST_F(SchedulePass, ThePassSharesABudgetOfTriesWithTheOneReconnectOfALinkThatWentDown)
{
    for (int i = 0; i < 30; ++i)
        box.QueueNak();
    list = {Due(TurnOn), Due(TurnOff), Due(TurnOn)};
    Run();
    // Ten tries for the first, then one each; 50 ms between the first ten.
    // The serial line sends each refused command twice.
    std::vector<int> expected(20, 1);
    expected.insert(expected.end(), {2, 2, 1, 1});
    EXPECT_EQ(PowerCommands(24, false), expected);
    EXPECT_EQ(waits, std::vector<long>(9, 50));

    box.ClearReceived();
    waits.clear();
    comm->Disconnect();
    list = {Due(TurnOn), Due(TurnOff)};
    Run();
    EXPECT_TRUE(comm->IsConnected()) << log.Text();
    ASSERT_TRUE(box.WaitForRequests(3, 5000));
    EXPECT_EQ(box.Requests()[0][0], 'S'); // the probe
    EXPECT_EQ(PowerCommands(3), (std::vector<int>{1, 2}));
    EXPECT_TRUE(waits.empty());

    comm = MakeLink({}); // no control box anywhere
    list = {Due(TurnOn), Due(TurnOn)};
    Run();
    // One try went to the connect: nine commands, eight pauses, then one.
    EXPECT_EQ(waits, std::vector<long>(8, 50));
    EXPECT_EQ(log.Count("Error: not connected to control panel"), 10) << log.Text();
    EXPECT_FALSE(comm->IsConnected());
}

} // namespace
