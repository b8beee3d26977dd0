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

#include <cerrno>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace {

class SchedulePass : public testing::Test
{
protected:
    LogRecorder log;
    PanelSimulator box;
    TempDir dir;
    std::unique_ptr<PanelComm> comm;
    SettingsStore* m_oldSettings = nullptr;
    const wxDateTime now = wxDateTime(10, wxDateTime::May, 2010, 8, 0, 0);
    std::vector<long> waits;
    int8_t power = 0;
    ScheduleList list;

    void SetUp() override
    {
        ASSERT_TRUE(box.Start());
        comm = MakeLink({box.Path()});
        CommResult connected = comm->Connect();
        for (int retry = 0; retry < 2 && connected != COMM_OK; ++retry)
            connected = comm->Connect();
        ASSERT_EQ(connected, COMM_OK) << log.Text();
        box.ClearReceived();
        SetScheduleClock([this] { return now; });
        m_oldSettings = theSettings;
        theSettings = OpenSettingsStore(wxString::FromUTF8(dir.File("AulavoxKesto.ini")));
    }

    void TearDown() override
    {
        SetScheduleClock(nullptr);
        delete theSettings;
        theSettings = m_oldSettings;
        comm.reset();
        box.Stop();
    }

    // A link whose only serial ports are these; no I2C bus.
    static std::unique_ptr<PanelComm> MakeLink(std::vector<std::string> ports)
    {
        auto bus = std::make_unique<FakeDdcBus>();
        bus->initResult = ENOENT;
        auto link = std::make_unique<PanelComm>(std::move(bus));
        link->SetPortLister(PortListOf(std::move(ports)));
        return link;
    }

    // A daily record whose due moment is now.
    Schedule Due(int32_t action, bool enabled = true)
    {
        Schedule s;
        s.name = "due";
        s.repeat = Daily;
        s.action = action;
        s.enabled = enabled;
        s.startTime = now - wxDateSpan::Week();
        s.stopTime = ScheduleNeverTime;
        s.nextTime = now;
        return s;
    }

    // A record due at this offset from now.
    Schedule DueIn(const wxTimeSpan& offset)
    {
        Schedule s = Due(TurnOn);
        s.repeat = Never;
        s.startTime = now + offset;
        s.nextTime = s.startTime;
        return s;
    }

    long Run() { return RunSchedulePass(list, *comm, power, [this](long ms) { waits.push_back(ms); }); }

    // The data bytes of the power commands the box received, in order.
    std::vector<int> PowerCommands(size_t expectedRequests)
    {
        box.WaitForRequests(expectedRequests, 5000);
        std::this_thread::sleep_for(std::chrono::milliseconds(60)); // nothing more comes
        std::vector<int> values;
        for (const PanelSimulator::Bytes& request : box.Requests())
            if (request.size() == 5 && request[0] == 'A')
                values.push_back(request[2]);
        return values;
    }

    // The same with a repeat after a late answer folded into one.
    std::vector<int> DistinctPowerCommands(size_t expectedRequests)
    {
        std::vector<int> values;
        for (int value : PowerCommands(expectedRequests))
            if (values.empty() || values.back() != value)
                values.push_back(value);
        return values;
    }
};

TEST_F(SchedulePass, TheAttemptBudgetIsSharedByThePass)
{
    for (int i = 0; i < 30; ++i)
        box.QueueNak();
    list = {Due(TurnOn), Due(TurnOff), Due(TurnOn)};

    Run();

    // Ten tries for the first, then one each; 50 ms between the first ten.
    // The serial line sends each refused command twice.
    std::vector<int> expected(20, 1);
    expected.insert(expected.end(), {2, 2, 1, 1});
    EXPECT_EQ(PowerCommands(24), expected);
    EXPECT_EQ(waits, std::vector<long>(9, 50));
    for (const Schedule& s : list)
        EXPECT_EQ(s.nextTime, wxDateTime(11, wxDateTime::May, 2010, 8, 0, 0));
}

TEST_F(SchedulePass, DueRecordsAreSentInIndexOrderUnlessDisabledOrSwitchedOff)
{
    struct Row
    {
        const char* what;
        std::vector<Schedule> records;
        std::vector<int> sent;
        bool switchedOn;
    };
    // With the global switch off due records pass and are not caught up later.
    const std::vector<Row> rows = {
        {"opposite actions: the later record wins", {Due(TurnOn), Due(TurnOff)}, {1, 2}, true},
        {"the first one disabled", {Due(TurnOn, false), Due(TurnOff)}, {2}, true},
        {"the global switch off", {Due(TurnOn), Due(TurnOff)}, {}, false},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.what);
        SetSchedulesEnabled(row.switchedOn);
        box.ClearReceived();
        list = row.records;
        Run();
        EXPECT_EQ(DistinctPowerCommands(row.sent.size()), row.sent);
        for (const Schedule& s : list)
            EXPECT_EQ(s.nextTime, wxDateTime(11, wxDateTime::May, 2010, 8, 0, 0));
    }
}

TEST_F(SchedulePass, TheWaitIsTheNearestDueMomentBetweenASecondAndAnHour)
{
    struct Row
    {
        const char* what;
        std::vector<Schedule> records;
        long wait;
    };
    const std::vector<Row> rows = {
        {"no schedule", {}, 3600000},
        {"due in 0.4 s", {DueIn(wxTimeSpan::Milliseconds(400))}, 1000},
        {"due in 1.5 s", {DueIn(wxTimeSpan::Milliseconds(1500))}, 1500},
        {"due in 90 min", {DueIn(wxTimeSpan::Minutes(90))}, 3600000},
        {"the nearer of two", {DueIn(wxTimeSpan::Minutes(20)), DueIn(wxTimeSpan::Minutes(5))}, 300000},
        {"only a fired one-time record", {Due(TurnOff)}, 3600000},
    };
    for (const Row& row : rows)
    {
        box.QueueAck(); // for the fired one
        list = row.records;
        EXPECT_EQ(Run(), row.wait) << row.what;
    }
}

TEST_F(SchedulePass, ALinkThatWentDownIsConnectedOnceBeforeTheFirstCommand)
{
    comm->Disconnect();
    list = {Due(TurnOn), Due(TurnOff)};
    Run();
    EXPECT_TRUE(comm->IsConnected()) << log.Text();
    const auto requests = box.Requests();
    ASSERT_GE(requests.size(), 3u);
    EXPECT_EQ(requests[0][0], 'S'); // the probe
    EXPECT_EQ(DistinctPowerCommands(3), (std::vector<int>{1, 2}));
    EXPECT_TRUE(waits.empty());
}

TEST_F(SchedulePass, AFailedReconnectCountsAgainstTheBudget)
{
    comm = MakeLink({}); // no control box anywhere
    list = {Due(TurnOn), Due(TurnOn)};
    Run();
    // One try went to the connect: nine commands, eight pauses, then one.
    EXPECT_EQ(waits, std::vector<long>(8, 50));
    EXPECT_EQ(log.Count("Error: not connected to control panel"), 10) << log.Text();
    EXPECT_FALSE(comm->IsConnected());
}

} // namespace
