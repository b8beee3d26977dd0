// The campus bridge against a real mosquitto on a loopback port.

#include "campus/brokeraddress.h"
#include "campus/campuscommand.h"
#include "campus/campuslink.h"

#include "support/core/log_recorder.h"
#include "support/core/mqtt_broker.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <map>
#include <mutex>
#include <set>

namespace {

TEST(CampusSettingsCheck, BrokerRoomAndPrefix)
{
    // Catches: a URL read wrongly (port, TLS), or a room that would reach
    // into other rooms' topics.
    const struct
    {
        std::string broker, room, prefix;
        std::string host;
        int port;
        bool tls, valid;
    } rows[] = {
        {"mqtt://broker", "r1", "aulavox", "broker", 1883, false, true},
        {"mqtts://broker.example:9883/", "r1", "aulavox", "broker.example", 9883, true, true},
        {"mqtts://[::1]", "Hörsaal 1", "campus/aulavox", "::1", 8883, true, true},
        {"http://broker", "r1", "aulavox", "", 0, false, false},
        {"mqtt://broker:0", "r1", "aulavox", "", 0, false, false},
        {"mqtt://broker:", "r1", "aulavox", "", 0, false, false},
        {"mqtt://", "r1", "aulavox", "", 0, false, false},
        {"mqtt://broker", "a/b", "aulavox", "", 0, false, false},
        {"mqtt://broker", "a+", "aulavox", "", 0, false, false},
        {"mqtt://broker", "#", "aulavox", "", 0, false, false},
        {"mqtt://broker", "\xff\xfe", "aulavox", "", 0, false, false},
        {"mqtt://broker", "r1", "a#", "", 0, false, false},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.broker + " " + row.room + " " + row.prefix);
        CampusSettings settings;
        settings.broker = row.broker;
        settings.room = row.room;
        settings.prefix = row.prefix;
        EXPECT_EQ(CampusLink::CheckSettings(settings).empty(), row.valid) << CampusLink::CheckSettings(settings);
        BrokerAddress address;
        std::string why;
        if (row.valid)
        {
            ASSERT_TRUE(ParseBrokerUrl(row.broker, address, why));
            EXPECT_EQ(address.host, row.host);
            EXPECT_EQ(address.port, row.port);
            EXPECT_EQ(address.tls, row.tls);
        }
    }
}

TEST(CampusCommandParse, TopicsValuesAndLimits)
{
    // Catches: another room's command or a garbled value taken for ours.
    const std::string big(1025, 'x');
    const struct
    {
        std::string topic, payload;
        bool valid;
        CampusCommand::Kind kind;
        std::string value;
        bool all;
    } rows[] = {
        {"p/r1/set/power", "ON", true, CampusCommand::POWER, "ON", false},
        {"p/r1/set/power", "off", true, CampusCommand::POWER, "OFF", false},
        {"p/all/set/power", "OFF", true, CampusCommand::POWER, "OFF", true},
        {"p/r1/set/source", "VCR", true, CampusCommand::SOURCE, "vcr", false},
        {"p/r1/set/mute", "ON", true, CampusCommand::MUTE, "ON", false},
        {"p/r1/set/command", "Lamp Hours", true, CampusCommand::COMMAND, "Lamp Hours", false},
        {"p/r1/set/power", "1", false, CampusCommand::POWER, "", false},
        {"p/r1/set/power", "", false, CampusCommand::POWER, "", false},
        {"p/r1/set/source", "comp3", false, CampusCommand::POWER, "", false},
        {"p/r1/set/command", std::string("a\0b", 3), false, CampusCommand::POWER, "", false},
        {"p/r1/set/command", "\xc3", false, CampusCommand::POWER, "", false},
        {"p/r1/set/command", big, false, CampusCommand::POWER, "", false},
        {"p/r1/set/volume", "3", false, CampusCommand::POWER, "", false},
        {"p/r1/set/", "ON", false, CampusCommand::POWER, "", false},
        {"p/r2/set/power", "ON", false, CampusCommand::POWER, "", false},
        {"p/all/set/source", "vcr", false, CampusCommand::POWER, "", false},
        {"q/r1/set/power", "ON", false, CampusCommand::POWER, "", false},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.topic + " " + row.payload.substr(0, 20));
        CampusCommand command;
        std::string why;
        ASSERT_EQ(ParseCampusCommand("p", "r1", row.topic, row.payload.data(), row.payload.size(), command, why),
                  row.valid)
            << why;
        if (!row.valid)
            continue;
        EXPECT_EQ(command.kind, row.kind);
        EXPECT_EQ(command.value, row.value);
        EXPECT_EQ(command.allRooms, row.all);
    }
}

class CampusLinkTest : public testing::Test
{
protected:
    // The log lines run one at a time, as they would on a window's thread.
    CampusLink::Poster Serialized()
    {
        return [this](std::function<void()> work) {
            std::lock_guard<std::mutex> lock(mutex);
            work();
        };
    }
    std::unique_ptr<CampusLink> Bridge(const std::string& room, bool allow, const std::string& user = "",
                                       const std::string& password = "", bool discovery = true)
    {
        CampusSettings settings;
        settings.discovery = discovery;
        settings.enabled = true;
        settings.broker = broker.Url();
        settings.room = room;
        settings.allowCommands = allow;
        settings.user = user;
        settings.password = password;
        return std::make_unique<CampusLink>(
            settings, "0.9.22.4",
            [this](const CampusCommand& command) { commands.push_back(command.value); }, Serialized());
    }
    std::vector<std::string> Commands()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return commands;
    }
    std::string LogText()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return log.Text();
    }

    std::mutex mutex;
    LogRecorder log;
    MqttBroker broker;
    std::vector<std::string> commands; // under the mutex
};

TEST_F(CampusLinkTest, RoomAppearsFollowsObeysOnlyWhenAllowedAndSaysOffline)
{
    ASSERT_TRUE(broker.Start());
    auto obeying = Bridge("r1", true);
    auto refusing = Bridge("r2", false);
    RoomState state;
    state.power = "off";
    state.link = "demo";
    obeying->SetState(state);
    refusing->SetState(state);

    // Catches: status or state not retained (a late watcher would see nothing).
    MqttWatcher watcher;
    ASSERT_TRUE(WaitUntil([&] { return obeying->IsConnected() && refusing->IsConnected(); })) << LogText();
    ASSERT_TRUE(watcher.Start(broker.Port(), "aulavox/#"));
    EXPECT_TRUE(watcher.WaitForText("aulavox/r1/status", "online"));
    EXPECT_TRUE(watcher.WaitForText("aulavox/r1/state", "\"power\":\"off\""));
    EXPECT_NE(watcher.Last("aulavox/r2/state").find("\"version\":\"0.9.22.4\""), std::string::npos);

    // Catches: a change that never goes out, or a burst whose last state is lost.
    for (const char* power : {"warming", "on"})
    {
        state.power = power;
        obeying->SetState(state);
    }
    EXPECT_TRUE(watcher.WaitForText("aulavox/r1/state", "\"power\":\"on\""));

    // Catches: garbage taken as a command; commands obeyed without
    // AllowCommands; a room deaf to the campus-wide topic.
    watcher.Publish("aulavox/r1/set/power", std::string(2000, 'O'));
    watcher.Publish("aulavox/r1/set/frobnicate", "ON");
    watcher.Publish("aulavox/r1/set/source", "hdmi");
    watcher.Publish("aulavox/r2/set/power", "ON");
    watcher.Publish("aulavox/all/set/power", "OFF");
    EXPECT_TRUE(watcher.WaitForText("aulavox/r2/event", "\"result\":\"refused\""));
    ASSERT_TRUE(WaitUntil([&] { return !Commands().empty(); })) << LogText();
    EXPECT_EQ(Commands(), std::vector<std::string>{"OFF"});
    EXPECT_TRUE(WaitUntil([&] { return LogText().find("Debug2: campus: ignored message on aulavox/r1/set/source") !=
                                       std::string::npos; }))
        << LogText();
    EXPECT_NE(LogText().find("Warning: campus: command on aulavox/r2/set/power refused"), std::string::npos);

    // Catches: a stop that leaves the room "online".
    EXPECT_TRUE(obeying->Stop());
    EXPECT_TRUE(watcher.WaitForText("aulavox/r1/status", "offline"));
    EXPECT_NE(watcher.Last("aulavox/r2/status"), "offline");

    // Catches: no reconnection, or a reconnection that does not publish again
    // (the restarted broker keeps nothing).
    broker.Stop();
    ASSERT_TRUE(broker.Start());
    MqttWatcher after;
    ASSERT_TRUE(after.Start(broker.Port(), "aulavox/#"));
    EXPECT_TRUE(after.WaitForText("aulavox/r2/status", "online", 20000)) << LogText();
    EXPECT_TRUE(after.WaitForText("aulavox/r2/state", "\"link\":\"demo\""));
}

TEST_F(CampusLinkTest, CredentialsRightConnectWrongGiveOneErrorAndNoHang)
{
    ASSERT_TRUE(broker.Start("panel", "s3cret-pw"));
    auto right = Bridge("r1", false, "panel", "s3cret-pw");
    auto wrong = Bridge("r2", false, "panel", "guessed-pw");
    EXPECT_TRUE(WaitUntil([&] { return right->IsConnected(); })) << LogText();
    // Catches: a refusal not told, told without the broker, or retried at once.
    const std::string error = "Error: campus broker " + broker.Url() + ": refused: Connection Refused: not authorised.";
    ASSERT_TRUE(WaitUntil([&] { return LogText().find(error) != std::string::npos; })) << LogText();
    EXPECT_FALSE(wrong->IsConnected());
    // Catches: a stop that waits for a broker which refuses.
    EXPECT_TRUE(wrong->Stop(1000));
    EXPECT_TRUE(right->Stop(1000));
    // Catches: the password in the log.
    EXPECT_EQ(LogText().find("pw"), std::string::npos) << LogText();
}

TEST_F(CampusLinkTest, HomeAssistantFindsTheRoomAgainAfterItsBirthAndLosesItWithoutDiscovery)
{
    ASSERT_TRUE(broker.Start());
    MqttWatcher watcher;
    ASSERT_TRUE(watcher.Start(broker.Port(), "homeassistant/#"));
    auto bridge = Bridge("r1", true);
    RoomState state;
    state.projector = "Epson ESC/VP21";
    bridge->SetState(state);
    const auto configs = [&] {
        std::map<std::string, std::string> last;
        for (const auto& message : watcher.Messages())
            if (message.topic != "homeassistant/status")
                last[message.topic] = message.payload;
        return last;
    };
    ASSERT_TRUE(WaitUntil([&] { return configs().size() == 6; })) << LogText();
    // Catches: a config Home Assistant would refuse or file under another device.
    const std::map<std::string, std::vector<std::string>> required = {
        {"switch", {"command_topic", "state_topic"}},
        {"select", {"command_topic", "state_topic", "options"}},
        {"binary_sensor", {"state_topic"}},
        {"sensor", {"state_topic"}}};
    std::set<std::string> names;
    for (const auto& [topic, payload] : configs())
    {
        SCOPED_TRACE(topic);
        const std::string component = topic.substr(14, topic.find('/', 14) - 14);
        ASSERT_TRUE(required.count(component));
        const nlohmann::json config = nlohmann::json::parse(payload);
        for (const std::string& field : required.at(component))
            EXPECT_TRUE(config.contains(field)) << field;
        EXPECT_EQ(config["availability_topic"], "aulavox/r1/status");
        EXPECT_EQ(config["device"]["identifiers"][0], "aulavox-r1");
        EXPECT_EQ(config["device"]["model"], "Epson ESC/VP21");
        EXPECT_EQ(config["device"]["sw_version"], "0.9.22.4");
        if (config.contains("command_topic"))
        {
            EXPECT_EQ(config["command_topic"].get<std::string>().rfind("aulavox/r1/set/", 0), 0u);
        }
        names.insert(config["name"].get<std::string>());
    }
    EXPECT_EQ(names, (std::set<std::string>{"Projector", "Source", "Mute", "Freeze", "Blank", "Link"}));

    // Catches: a Home Assistant restart that leaves the room undiscovered.
    const size_t before = watcher.Messages().size();
    watcher.Publish("homeassistant/status", "online"); // comes back to the watcher, too
    EXPECT_TRUE(WaitUntil([&] { return watcher.Messages().size() >= before + 1 + 6; }));

    // Catches: configs left behind once discovery is switched off.
    bridge.reset();
    auto quiet = Bridge("r1", true, "", "", false);
    EXPECT_TRUE(WaitUntil([&] {
        const auto last = configs();
        return std::all_of(last.begin(), last.end(), [](const auto& entry) { return entry.second.empty(); });
    })) << LogText();
}

} // namespace
