// aulavox-campus as a child process against a real mosquitto, with the
// rooms played by campus bridges in this process.

#include "campus/campuslink.h"

#include "support/core/mqtt_broker.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <memory>
#include <regex>
#include <set>

namespace {

struct Room
{
    std::unique_ptr<CampusLink> link;
    RoomState state;
};

class CampusTool : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_broker.Start());
        ASSERT_TRUE(m_watcher.Start(m_broker.Port(), "aulavox/#"));
    }

    // A room whose power follows the broker's commands (boxFails: whose box
    // says no to them), with AllowCommands as given.
    void AddRoom(const std::string& name, const std::string& power, const std::string& source, bool allow = true,
                 bool boxFails = false)
    {
        Room& room = m_rooms[name];
        CampusSettings settings;
        settings.broker = m_broker.Url();
        settings.room = name;
        settings.allowCommands = allow;
        settings.discovery = false;
        room.link = std::make_unique<CampusLink>(settings, "1.0", [&room, boxFails](const CampusCommand& command) {
            if (boxFails)
                room.link->PublishEvent("command", {{"command", "power"}, {"value", command.value},
                                                    {"result", "failed"}, {"reason", "no answer from the box"}});
            else
            {
                room.state.power = command.value == "ON" ? "on" : "off";
                room.link->SetState(room.state);
            }
        });
        room.state.power = power;
        room.state.source = source;
        room.state.projector = "Epson " + name;
        room.link->SetState(room.state);
        ASSERT_TRUE(m_watcher.WaitForText("aulavox/" + name + "/state", "\"power\":\"" + power + "\""));
    }

    void StopRoom(const std::string& name)
    {
        m_rooms[name].link->Stop();
        ASSERT_TRUE(m_watcher.WaitForText("aulavox/" + name + "/status", "offline"));
    }

    // Runs the command; its output lines with the columns' spaces squeezed.
    int Run(std::vector<std::string> args, std::string broker = "")
    {
        args.insert(args.begin(), KESTO_CAMPUS_TOOL);
        args.push_back(broker.empty() ? m_broker.Url() : broker);
        ChildProcess tool(args, {}, m_dir.File("out" + std::to_string(++m_runs)));
        if (!tool.Start() || !tool.Wait(30000))
            return -1;
        m_output = std::regex_replace(tool.Output(), std::regex(" +"), " ");
        m_errors = tool.Errors();
        return tool.ExitStatus();
    }

    TempDir m_dir;
    MqttBroker m_broker;
    MqttWatcher m_watcher;
    std::map<std::string, Room> m_rooms;
    int m_runs = 0;
    std::string m_output, m_errors;
};

TEST_F(CampusTool, ListShowsEveryRoomSortedAndWhichAreOffline)
{
    // Catches: a room left out or shown with another's state, a stopped room
    // shown online, --on letting a projector that is off through.
    AddRoom("r3", "warming", "comp2");
    AddRoom("r1", "on", "comp1");
    AddRoom("r2", "off", "vcr");
    StopRoom("r2");
    const std::regex time(" 20[0-9-]+T[0-9:]+[+-][0-9:]+\n");
    const std::string on1 = "r1 online on comp1 Epson r1", on3 = "r3 online warming comp2 Epson r3";
    EXPECT_EQ(Run({"list"}), 0) << m_errors;
    EXPECT_EQ(std::regex_replace(m_output, time, "|"), on1 + "|r2 offline off vcr Epson r2|" + on3 + "|");
    EXPECT_EQ(Run({"--on", "list"}), 0) << m_errors;
    EXPECT_EQ(std::regex_replace(m_output, time, "|"), on1 + "|" + on3 + "|");
    EXPECT_EQ(Run({"list", "--json"}), 0) << m_errors;
    const nlohmann::json json = nlohmann::json::parse(m_output, nullptr, false);
    ASSERT_TRUE(json.contains("rooms") && json["rooms"].size() == 3) << m_output;
    EXPECT_EQ(json["rooms"][1]["status"], "offline");
    EXPECT_EQ(json["rooms"][2]["power"], "warming");
}

TEST_F(CampusTool, PowerReportsEachRoomThatDidNotFollowAndWhy)
{
    // Catches: a room left out of "all", a refusal, the box's failure or an
    // offline room taken for success, a wrong exit status.
    AddRoom("r1", "on", "comp1");
    AddRoom("r2", "on", "comp1", true, true);
    AddRoom("r3", "on", "comp1", false);
    AddRoom("r4", "on", "comp1");
    AddRoom("r5", "off", "comp1");
    StopRoom("r4");
    StopRoom("r5");
    const struct
    {
        std::vector<std::string> args;
        int status;
        std::string output;
    } steps[] = {
        {{"power", "off", "all"}, 1,
         "r2: the box refused: no answer from the box\nr3: commands not allowed\nr4: offline\n"},
        {{"power", "on", "r1"}, 0, ""},
        {{"power", "off", "r9"}, 1, "r9: no such room on the broker\n"},
    };
    for (const auto& step : steps)
    {
        SCOPED_TRACE(step.args[1] + " " + step.args[2]);
        EXPECT_EQ(Run(step.args), step.status) << m_errors;
        EXPECT_EQ(m_output, step.output);
    }
    EXPECT_NE(m_watcher.Last("aulavox/r1/state").find("\"power\":\"on\""), std::string::npos);
    EXPECT_NE(m_watcher.Last("aulavox/r3/state").find("\"power\":\"on\""), std::string::npos);
}

TEST_F(CampusTool, UnreachableBrokerAndBadUsageHaveTheirOwnExitStatus)
{
    // Catches: a broker that is down or refuses us taken for an empty campus,
    // the password file not read, bad usage not told apart.
    MqttBroker secured;
    ASSERT_TRUE(secured.Start("office", "secret"));
    MqttBroker gone;
    ASSERT_TRUE(gone.Start());
    gone.Stop();
    ASSERT_TRUE(WriteWholeFile(m_dir.File("pw"), "secret\nsecond line\n"));
    const struct
    {
        std::vector<std::string> args;
        std::string broker;
        int status;
        std::string error;
    } rows[] = {
        {{"list"}, gone.Url(), 2, "Connection refused"},
        {{"list", "--user", "office", "--password-file", m_dir.File("pw")}, secured.Url(), 0, ""},
        {{"list", "--user", "office"}, secured.Url(), 2, "refused"},
        {{"list", "--password-file", m_dir.File("none")}, "", 64, "password file"},
        {{"power", "sideways", "all"}, "", 64, "on or off"},
        {{"list"}, "http://broker", 64, "mqtt"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.args.back() + " " + row.broker);
        EXPECT_EQ(Run(row.args, row.broker), row.status) << m_errors;
        EXPECT_NE(m_errors.find(row.error), std::string::npos) << m_errors;
    }
}

} // namespace
