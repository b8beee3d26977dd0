// The main window with its campus link on a real mosquitto: the broker sees
// what the window shows and its commands take the buttons' own way.

#include "configdlg/campuspage.h"
#include "settings/campussettings.h"

#include "mainframe_fixture.h"
#include "support/core/mqtt_broker.h"

namespace {

class CampusWindowTest : public MainFrameTest
{
protected:
    void SetUp() override
    {
        MainFrameTest::SetUp();
        ASSERT_TRUE(broker.Start());
        Configure(true);
    }
    void Configure(bool allowCommands)
    {
        CampusSettings settings;
        settings.enabled = true;
        settings.broker = broker.Url();
        settings.room = "r1";
        settings.allowCommands = allowCommands;
        WriteCampusSettings(*theSettings, settings);
    }
    bool Requested(const Bytes& packet)
    {
        return YieldUntil([&] {
            const auto requests = sim.RequestsWithoutResends();
            return std::find(requests.begin(), requests.end(), packet) != requests.end();
        }, 15000);
    }
    bool Says(const std::string& topic, const std::string& part)
    {
        return YieldUntil([&] { return watcher.Last("aulavox/r1/" + topic).find(part) != std::string::npos; }, 15000);
    }

    MqttBroker broker;
    MqttWatcher watcher;
};

TEST_F(CampusWindowTest, ButtonsReachTheStateAndCommandsTakeTheButtonsWay)
{
    sim.SetStatus({2, 1, 10, 0, 0, 0});
    StartConnected("projector: Room 1\nC, On, PWR1<cr>\nC, Lamp Hours, LAMP?<cr>\n");
    ASSERT_TRUE(watcher.Start(broker.Port(), "aulavox/#"));
    // Catches: a room that never appears, or a state without the projector.
    EXPECT_TRUE(Says("state", "\"projector\":\"Room 1\"")) << log.Text();

    // Catches: a button press that the broker never hears of.
    Click(frame->m_btnMute);
    EXPECT_TRUE(Says("state", "\"mute\":true"));

    // Catches: a command that bypasses the button (no packet, or a window
    // that does not light "On").
    sim.ClearReceived();
    watcher.Publish("aulavox/r1/set/power", "ON");
    EXPECT_TRUE(Requested(Packet('A', {1})));
    EXPECT_TRUE(frame->m_btnOn->IsHighlighted());
    EXPECT_TRUE(Says("state", "\"power\":\"on\""));
    watcher.Publish("aulavox/r1/set/command", "Lamp Hours");
    EXPECT_TRUE(Requested(Packet('P', {'L', 'A', 'M', 'P', '?', 0x0D}))) << log.Text();
    watcher.Publish("aulavox/r1/set/command", "Self Destruct");
    EXPECT_TRUE(Says("event", "\"result\":\"refused\""));

    // Catches: commands obeyed once the settings forbid them.
    Configure(false);
    frame->StartCampusLink();
    ASSERT_TRUE(YieldUntil([&] { // the new link's own "online", after the old one's "offline"
        const auto messages = watcher.Messages();
        return std::count_if(messages.begin(), messages.end(), [](const MqttWatcher::Message& message) {
                   return message.topic == "aulavox/r1/status" && message.payload == "online";
               }) == 2;
    }));
    sim.ClearReceived();
    watcher.Publish("aulavox/all/set/power", "OFF");
    EXPECT_TRUE(YieldUntil([&] { return log.Contains("Warning: campus: command on aulavox/all/set/power refused: "
                                                     "commands are not allowed (AllowCommands=0)"); }))
        << log.Text();
    FlushEvents();
    EXPECT_EQ(sim.RequestCount(), 0u);
}

TEST_F(CampusWindowTest, PageAppliesRevertsAndTestsInTheBackground)
{
    wxFrame* parent = new wxFrame(nullptr, wxID_ANY, "Campus");
    CampusPage* page = new CampusPage(parent);
    EXPECT_EQ(page->m_brokerText->GetValue(), broker.Url());
    // Catches: a room that would reach into other topics written to the file.
    page->m_roomText->SetValue("r/2");
    EXPECT_FALSE(page->m_applyButton->IsEnabled());
    page->m_roomText->SetValue("r2");
    Use(page->m_applyButton);
    EXPECT_EQ(ReadCampusSettings(theSettings).room, "r2");
    page->m_userText->SetValue("someone");
    Use(page->m_revertButton);
    EXPECT_EQ(page->m_userText->GetValue(), "");

    // Catches: a test that blocks the dialog, or says nothing of the outcome.
    for (const auto& [url, answer] : {std::pair{broker.Url(), wxString("Connected")},
                                      std::pair{std::string("mqtt://127.0.0.1:1"), wxString("Connection refused")}})
    {
        page->m_brokerText->SetValue(url);
        Use(page->m_testButton);
        EXPECT_FALSE(page->m_testButton->IsEnabled());
        EXPECT_TRUE(YieldUntil([&] { return page->m_testButton->IsEnabled(); }, 10000));
        EXPECT_EQ(page->m_testResult->GetLabel(), answer);
    }
    parent->Destroy();
    FlushEvents();
}

} // namespace
