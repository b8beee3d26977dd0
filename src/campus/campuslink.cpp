#include "campus/campuslink.h"

#include "campus/brokeraddress.h"
#include "campus/discovery.h"
#include "campus/mqttclient.h"
#include "log/log.h"

#include <mosquitto.h>
#include <nlohmann/json.hpp>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <deque>
#include <mutex>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds BACKOFF_FIRST{1000};
constexpr milliseconds BACKOFF_MAX{60000};
constexpr milliseconds STATE_GAP{500};       // at most two states a second
constexpr milliseconds REFUSAL_WARNING_GAP{60000};
constexpr int LOOP_WAIT_MS = 100;           // how soon a new state or a stop is seen
constexpr size_t EVENTS_KEPT_OFFLINE = 100; // events wait for the broker up to this many
constexpr int QOS = 1;

std::string Format(const char* format, va_list args)
{
    char text[1024];
    vsnprintf(text, sizeof text, format, args);
    return text;
}

} // namespace

struct CampusLink::Core
{
    CampusSettings settings;
    BrokerAddress address;
    std::string version;
    std::string base; // PREFIX/ROOM
    CommandHandler onCommand;
    Poster post;

    std::mutex mutex; // guards the block below
    std::condition_variable wake;
    bool stopRequested = false;
    Clock::time_point stopDeadline;
    bool finished = false;
    bool stoppedInTime = false;
    bool abandoned = false;
    RoomState state;
    std::string changed;
    bool stateKnown = false;
    bool statePending = false;
    std::deque<std::string> events;

    std::atomic<bool> connected{false};

    // The bridge's thread alone from here on.
    MqttClient* client = nullptr;
    milliseconds backoff = BACKOFF_FIRST;
    Clock::time_point nextAttempt;
    Clock::time_point lastState;
    bool forceState = false;
    std::string lastReason; // logged already: the same failure is not logged again
    std::string refusedBy;  // the broker's refusal, told by the connection callback
    bool refusalWarned = false;
    Clock::time_point lastRefusalWarning;
    std::string announcedModel; // the projector the discovery configs name

    // Runs on the owner's thread when there is one; never after the owner gave up on us.
    void Post(std::function<void()> work)
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (abandoned)
                return;
        }
        if (post)
            post(std::move(work));
        else
            work();
    }

    void Print(unsigned level, const char* format, ...) __attribute__((format(printf, 3, 4)))
    {
        va_list args;
        va_start(args, format);
        const std::string line = Format(format, args);
        va_end(args);
        Post([level, line] {
            if (theLog != nullptr)
                theLog->Print(level, "%s", line.c_str());
        });
    }

    std::string Topic(const char* leaf) const { return base + "/" + leaf; }

    void Run();
    void Attempt();
    void Failed(const std::string& reason, bool isError);
    void PublishPending();
    void Publish(const std::string& topic, const std::string& payload, bool retain);
    void OrderlyExit();
    void OnConnect(int rc);
    void OnMessage(const mosquitto_message& message);
    // Home Assistant's configs of this room, or their removal (empty
    // retained messages) when discovery is off.
    void Announce(const std::string& projector);
};

namespace {

CampusLink::Core& CoreOf(void* userData)
{
    return *static_cast<CampusLink::Core*>(MqttClient::OwnerOf(userData));
}

void OnConnectCallback(mosquitto*, void* userData, int rc)
{
    CoreOf(userData).OnConnect(rc);
}

void OnDisconnectCallback(mosquitto*, void* userData, int)
{
    CoreOf(userData).connected = false;
}

void OnMessageCallback(mosquitto*, void* userData, const mosquitto_message* message)
{
    if (message != nullptr)
        CoreOf(userData).OnMessage(*message);
}

} // namespace

void CampusLink::Core::Run()
{
    MqttClient mqtt(this);
    client = &mqtt;
    const std::string problem = mqtt.SetUp(address, settings.user, settings.password, settings.caFile);
    const std::string offline = "offline";
    if (problem.empty())
    {
        mosquitto* mosq = mqtt.Get();
        mosquitto_will_set(mosq, Topic("status").c_str(), static_cast<int>(offline.size()), offline.data(), QOS,
                           true);
        mosquitto_connect_callback_set(mosq, OnConnectCallback);
        mosquitto_disconnect_callback_set(mosq, OnDisconnectCallback);
        mosquitto_message_callback_set(mosq, OnMessageCallback);
        nextAttempt = Clock::now();
        for (;;)
        {
            {
                std::unique_lock<std::mutex> lock(mutex);
                if (stopRequested)
                    break;
                if (!mqtt.HasSocket() && Clock::now() < nextAttempt)
                {
                    wake.wait_until(lock, nextAttempt, [this] { return stopRequested; });
                    continue;
                }
            }
            if (!mqtt.HasSocket())
            {
                Attempt();
                continue;
            }
            PublishPending();
            const int rc = client->Loop(LOOP_WAIT_MS);
            if (rc != MOSQ_ERR_SUCCESS && !mqtt.HasSocket())
            {
                const bool wasConnected = connected.exchange(false);
                const std::string reason = refusedBy.empty() ? mqtt.Reason(rc) : refusedBy;
                if (wasConnected)
                    lastReason.clear(); // a new outage: say so once again
                Failed(reason, !refusedBy.empty() || rc == MOSQ_ERR_TLS);
                refusedBy.clear();
            }
        }
        OrderlyExit();
    }
    else
        Print(Log::LEVEL_ERROR, "campus broker %s: %s", settings.broker.c_str(), problem.c_str());
    client = nullptr;

    std::lock_guard<std::mutex> lock(mutex);
    finished = true;
    wake.notify_all();
}

void CampusLink::Core::Attempt()
{
    Print(Log::LEVEL_DEBUG2, "campus: connecting to %s", settings.broker.c_str());
    const std::string reason = client->StartConnect(address);
    if (!reason.empty())
        Failed(reason, false);
}

void CampusLink::Core::Failed(const std::string& reason, bool isError)
{
    // Every outage is told once; each further try only at Debug2.
    const unsigned level = reason == lastReason ? Log::LEVEL_DEBUG2 : isError ? Log::LEVEL_ERROR : Log::LEVEL_WARNING;
    lastReason = reason;
    Print(level, "campus broker %s: %s; trying again in %lld s", settings.broker.c_str(), reason.c_str(),
          static_cast<long long>(backoff.count() / 1000));
    nextAttempt = Clock::now() + backoff;
    backoff = std::min(backoff * 2, BACKOFF_MAX);
}

void CampusLink::Core::OnConnect(int rc)
{
    if (rc != 0)
    {
        refusedBy = std::string("refused: ") + mosquitto_connack_string(rc);
        return; // the library closes the connection; the loop tells and waits
    }
    connected = true;
    backoff = BACKOFF_FIRST;
    lastReason.clear();
    Print(Log::LEVEL_INFO, "campus: connected to %s as room %s", settings.broker.c_str(), settings.room.c_str());
    mosquitto* mosq = client->Get();
    for (const std::string& topic :
         {Topic("set/#"), settings.prefix + "/all/set/power", settings.discoveryPrefix + "/status"})
        mosquitto_subscribe(mosq, nullptr, topic.c_str(), QOS);
    Publish(Topic("status"), "online", true);
    std::string projector;
    {
        std::lock_guard<std::mutex> lock(mutex);
        projector = state.projector;
    }
    Announce(projector);
    forceState = true; // retained copies may be stale: the state goes again now
}

void CampusLink::Core::PublishPending()
{
    if (!connected)
        return;
    std::string stateJson;
    std::deque<std::string> toSend;
    std::string projector;
    {
        std::lock_guard<std::mutex> lock(mutex);
        projector = state.projector;
        const bool due = forceState || (statePending && Clock::now() - lastState >= STATE_GAP);
        if (stateKnown && due)
        {
            stateJson = RoomStateJson(state, version, changed);
            statePending = false;
        }
        toSend.swap(events);
    }
    if (!stateJson.empty())
    {
        forceState = false;
        lastState = Clock::now();
        Publish(Topic("state"), stateJson, true);
    }
    for (const std::string& event : toSend)
        Publish(Topic("event"), event, false);
    if (settings.discovery && projector != announcedModel)
        Announce(projector); // the device's model follows the projector
}

void CampusLink::Core::Announce(const std::string& projector)
{
    announcedModel = projector;
    const DiscoveryRoom room = {settings.discoveryPrefix, base, settings.room, projector, version};
    for (const auto& [topic, config] : DiscoveryConfigs(room))
        Publish(topic, settings.discovery ? config : std::string(), true);
}

void CampusLink::Core::Publish(const std::string& topic, const std::string& payload, bool retain)
{
    const int rc = mosquitto_publish(client->Get(), nullptr, topic.c_str(), static_cast<int>(payload.size()),
                                     payload.data(), QOS, retain);
    if (rc != MOSQ_ERR_SUCCESS)
        Print(Log::LEVEL_DEBUG2, "campus: unable to publish on %s: %s", topic.c_str(), client->Reason(rc).c_str());
}

void CampusLink::Core::OrderlyExit()
{
    mosquitto* mosq = client->Get();
    if (connected)
    {
        PublishPending(); // the last state and events first
        Publish(Topic("status"), "offline", true);
        mosquitto_disconnect(mosq);
    }
    // The disconnect closes the socket once everything before it is written.
    while (client->HasSocket())
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (Clock::now() >= stopDeadline)
                return;
        }
        if (client->Loop(20) != MOSQ_ERR_SUCCESS && client->HasSocket())
            return;
    }
    std::lock_guard<std::mutex> lock(mutex);
    stoppedInTime = true;
}

void CampusLink::Core::OnMessage(const mosquitto_message& message)
{
    const std::string topic = message.topic ? message.topic : "";
    if (message.retain)
    {
        // A command left on the broker would switch the room at every start.
        Print(Log::LEVEL_DEBUG2, "campus: ignored retained message on %s", topic.c_str());
        return;
    }
    const size_t length = message.payloadlen > 0 ? static_cast<size_t>(message.payloadlen) : 0;
    if (topic == settings.discoveryPrefix + "/status")
    {
        // Home Assistant's birth message: it has forgotten every config.
        if (settings.discovery && length == 6 && std::string(static_cast<const char*>(message.payload), 6) == "online")
            Announce(announcedModel);
        return;
    }
    CampusCommand command;
    std::string why;
    if (!ParseCampusCommand(settings.prefix, settings.room, topic, message.payload, length, command, why))
    {
        Print(Log::LEVEL_DEBUG2, "campus: ignored message on %s: %s", topic.c_str(), why.c_str());
        return;
    }
    if (!settings.allowCommands)
    {
        const Clock::time_point now = Clock::now();
        if (!refusalWarned || now - lastRefusalWarning >= REFUSAL_WARNING_GAP)
        {
            refusalWarned = true;
            lastRefusalWarning = now;
            Print(Log::LEVEL_WARNING, "campus: command on %s refused: commands are not allowed (AllowCommands=0)",
                  topic.c_str());
        }
        const nlohmann::json event = {{"event", "command"},   {"command", CommandTopicName(command.kind)},
                                      {"value", command.value}, {"result", "refused"},
                                      {"reason", "commands are not allowed"}, {"time", IsoTimeNow()}};
        Publish(Topic("event"), event.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace), false);
        return;
    }
    if (onCommand)
        Post([handler = onCommand, command] { handler(command); });
}

CampusLink::CampusLink(const CampusSettings& settings, std::string version, CommandHandler onCommand, Poster post)
    : m_core(std::make_shared<Core>())
{
    Core& core = *m_core;
    core.settings = settings;
    std::string why;
    ParseBrokerUrl(settings.broker, core.address, why);
    core.version = std::move(version);
    core.base = settings.prefix + "/" + settings.room;
    core.onCommand = std::move(onCommand);
    core.post = std::move(post);
    // The thread holds the shared part: a stop that gives up leaves it valid.
    m_thread = std::thread([core = m_core] { core->Run(); });
}

CampusLink::~CampusLink()
{
    Stop();
}

std::string CampusLink::CheckSettings(const CampusSettings& settings)
{
    BrokerAddress address;
    std::string why;
    if (!ParseBrokerUrl(settings.broker, address, why))
        return why;
    if (!IsTopicName(settings.room, false))
        return "the room name '" + settings.room + "' cannot be used in a topic (empty, not UTF-8, or with +, # or /)";
    if (!IsTopicName(settings.prefix, true))
        return "the prefix '" + settings.prefix + "' cannot be used in a topic (empty, not UTF-8, or with + or #)";
    if (!IsTopicName(settings.discoveryPrefix, true))
        return "the discovery prefix '" + settings.discoveryPrefix +
               "' cannot be used in a topic (empty, not UTF-8, or with + or #)";
    return "";
}

void CampusLink::SetState(const RoomState& state)
{
    std::lock_guard<std::mutex> lock(m_core->mutex);
    if (m_core->stateKnown && state == m_core->state)
        return;
    m_core->state = state;
    m_core->stateKnown = true;
    m_core->statePending = true;
    m_core->changed = IsoTimeNow();
}

void CampusLink::PublishEvent(const std::string& kind, const EventFields& fields)
{
    nlohmann::json event = {{"event", kind}};
    for (const auto& [name, value] : fields)
        event[name] = value;
    event["time"] = IsoTimeNow();
    std::lock_guard<std::mutex> lock(m_core->mutex);
    if (m_core->events.size() >= EVENTS_KEPT_OFFLINE)
        m_core->events.pop_front();
    m_core->events.push_back(event.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

bool CampusLink::Stop(int timeoutMs)
{
    if (!m_thread.joinable())
        return m_core->stoppedInTime;
    std::unique_lock<std::mutex> lock(m_core->mutex);
    m_core->stopRequested = true;
    m_core->stopDeadline = Clock::now() + milliseconds(timeoutMs);
    m_core->wake.notify_all();
    // A little longer than the thread's own deadline: it may be in a loop wait.
    const bool ended = m_core->wake.wait_until(lock, m_core->stopDeadline + milliseconds(LOOP_WAIT_MS),
                                               [this] { return m_core->finished; });
    if (!ended)
    {
        // Stuck in a name lookup: the thread ends on its own and tells nobody.
        m_core->abandoned = true;
        lock.unlock();
        m_thread.detach();
        return false;
    }
    lock.unlock();
    m_thread.join();
    return m_core->stoppedInTime;
}

bool CampusLink::IsConnected() const
{
    return m_core->connected;
}

const std::string& CampusLink::Room() const
{
    return m_core->settings.room;
}
