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
    const struct { std::string broker, room, prefix, host; int port; bool tls; } rows[] = {
        {"mqtt://broker", "r1", "aulavox", "broker", 1883, false},
        {"mqtts://broker.example:9883/", "r1", "aulavox", "broker.example", 9883, true},
        {"mqtts://[::1]", "Hörsaal 1", "campus/aulavox", "::1", 8883, true},
        {"http://broker", "r1", "aulavox", "", 0, false},
        {"mqtt://broker:0", "r1", "aulavox", "", 0, false},
        {"mqtt://broker:", "r1", "aulavox", "", 0, false},
        {"mqtt://", "r1", "aulavox", "", 0, false},
        {"mqtt://broker", "a/b", "aulavox", "", 0, false},
        {"mqtt://broker", "#", "aulavox", "", 0, false},
        {"mqtt://broker", "\xff\xfe", "aulavox", "", 0, false},
        {"mqtt://broker", "r1", "a#", "", 0, false},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.broker + " " + row.room + " " + row.prefix);
        CampusSettings settings;
        settings.broker = row.broker;
        settings.room = row.room;
        settings.prefix = row.prefix;
        EXPECT_EQ(CampusLink::CheckSettings(settings).empty(), row.port != 0) << CampusLink::CheckSettings(settings);
        BrokerAddress address;
        std::string why;
        EXPECT_TRUE(row.port == 0 || (ParseBrokerUrl(row.broker, address, why) && address.host == row.host &&
                                      address.port == row.port && address.tls == row.tls));
    }
}

TEST(CampusCommandParse, TopicsValuesAndLimits)
{
    // Catches: another room's command or a garbled value taken for ours.
    const struct { std::string topic, payload, value; CampusCommand::Kind kind = CampusCommand::POWER; } rows[] = {
        {"p/r1/set/power", "off", "OFF"},
        {"p/all/set/power", "OFF", "OFF"},
        {"p/r1/set/source", "VCR", "vcr", CampusCommand::SOURCE},
        {"p/r1/set/mute", "ON", "ON", CampusCommand::MUTE},
        {"p/r1/set/command", "Lamp Hours", "Lamp Hours", CampusCommand::COMMAND},
        // Refused: "" as the value.
        {"p/r1/set/power", "1", ""},
        {"p/r1/set/source", "comp3", ""},
        {"p/r1/set/command", std::string("a\0b", 3), ""},
        {"p/r1/set/command", "\xc3", ""},
        {"p/r1/set/command", std::string(1025, 'x'), ""},
        {"p/r1/set/volume", "3", ""},
        {"p/r2/set/power", "ON", ""},
        {"p/all/set/source", "vcr", ""},
        {"q/r1/set/power", "ON", ""},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.topic + " " + row.payload.substr(0, 20));
        CampusCommand command;
        std::string why;
        const bool valid = !row.value.empty();
        ASSERT_EQ(ParseCampusCommand("p", "r1", row.topic, row.payload.data(), row.payload.size(), command, why), valid)
            << why;
        EXPECT_TRUE(!valid || (command.kind == row.kind && command.value == row.value &&
                               command.allRooms == (row.topic[2] == 'a'))); // "p/all/..."
    }
}

class CampusLinkTest : public testing::Test
{
protected:
    // Runs the bridge's work, or reads what it wrote, under the lock.
    template <class Read>
    auto Locked(Read read)
    {
        std::lock_guard<std::mutex> lock(mutex);
        return read();
    }
    // Commands and log lines run one at a time, as they would on a window's thread.
    std::unique_ptr<CampusLink> Bridge(const std::string& room, bool allow, const std::string& password = "",
                                       bool discovery = true)
    {
        CampusSettings settings;
        settings.enabled = true;
        settings.discovery = discovery;
        settings.broker = broker.Url();
        settings.room = room;
        settings.allowCommands = allow;
        settings.user = password.empty() ? "" : "panel";
        settings.password = password;
        return std::make_unique<CampusLink>(
            settings, "0.9.22.4", [this](const CampusCommand& command) { commands.push_back(command.value); },
            [this](std::function<void()> work) { Locked(work); });
    }
    std::string LogText() { return Locked([this] { return log.Text(); }); }
    bool Logged(const std::string& part)
    {
        return WaitUntil([&] { return LogText().find(part) != std::string::npos; });
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
    watcher.Publish("aulavox/r1/set/source", "hdmi");
    watcher.Publish("aulavox/r2/set/power", "ON");
    watcher.Publish("aulavox/all/set/power", "OFF");
    EXPECT_TRUE(watcher.WaitForText("aulavox/r2/event", "\"result\":\"refused\""));
    ASSERT_TRUE(WaitUntil([&] { return Locked([&] { return !commands.empty(); }); })) << LogText();
    EXPECT_EQ(Locked([&] { return commands; }), std::vector<std::string>{"OFF"});
    EXPECT_TRUE(Logged("Debug2: campus: ignored message on aulavox/r1/set/source")) << LogText();
    EXPECT_TRUE(Logged("Warning: campus: command on aulavox/r2/set/power refused")) << LogText();

    // Catches: a stop that leaves the room "online".
    EXPECT_TRUE(obeying->Stop());
    EXPECT_TRUE(watcher.WaitForText("aulavox/r1/status", "offline"));

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
    auto right = Bridge("r1", false, "s3cret-pw");
    auto wrong = Bridge("r2", false, "guessed-pw");
    EXPECT_TRUE(WaitUntil([&] { return right->IsConnected(); })) << LogText();
    // Catches: a refusal not told, told without the broker, or retried at once.
    EXPECT_TRUE(Logged("Error: campus broker " + broker.Url() + ": refused: Connection Refused: not authorised."))
        << LogText();
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
    std::set<std::string> names;
    for (const auto& [topic, payload] : configs())
    {
        SCOPED_TRACE(topic);
        const std::string kind = topic.substr(14, topic.find('/', 14) - 14); // homeassistant/<kind>/...
        const bool select = kind == "select", commanded = select || kind == "switch";
        EXPECT_TRUE(commanded || kind == "sensor" || kind == "binary_sensor");
        const nlohmann::json config = nlohmann::json::parse(payload);
        EXPECT_TRUE(config.contains("state_topic") && (config.contains("options") || !select));
        EXPECT_EQ(config.value("command_topic", "").rfind("aulavox/r1/set/", 0) == 0, commanded);
        EXPECT_EQ(config["availability_topic"], "aulavox/r1/status");
        EXPECT_EQ(config["device"]["identifiers"][0], "aulavox-r1");
        EXPECT_EQ(config["device"]["model"], "Epson ESC/VP21");
        names.insert(config["name"].get<std::string>());
    }
    EXPECT_EQ(names, (std::set<std::string>{"Projector", "Source", "Mute", "Freeze", "Blank", "Link"}));

    // Catches: a Home Assistant restart that leaves the room undiscovered.
    const size_t before = watcher.Messages().size();
    watcher.Publish("homeassistant/status", "online"); // comes back to the watcher, too
    EXPECT_TRUE(WaitUntil([&] { return watcher.Messages().size() >= before + 1 + 6; }));

    // Catches: configs left behind once discovery is switched off.
    bridge.reset();
    auto quiet = Bridge("r1", true, "", false);
    EXPECT_TRUE(WaitUntil([&] {
        const auto last = configs();
        return std::all_of(last.begin(), last.end(), [](const auto& entry) { return entry.second.empty(); });
    })) << LogText();
}

} // namespace
