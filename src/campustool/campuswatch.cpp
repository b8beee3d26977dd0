#include "campustool/campuswatch.h"

#include <mosquitto.h>

#include <random>

namespace {

constexpr int LOOP_WAIT_MS = 50;
// The rooms' retained status and state, and the marker behind them, come at
// QoS 0: the broker then sends them in the order it queued them.
constexpr int QOS_IN_ORDER = 0;
constexpr int QOS_COMMAND = 1;

CampusWatch& WatchOf(void* userData)
{
    return *static_cast<CampusWatch*>(MqttClient::OwnerOf(userData));
}

std::string RandomToken()
{
    std::random_device device;
    return std::to_string(device()) + std::to_string(device());
}

} // namespace

struct CampusWatch::Callbacks
{
    static void Message(mosquitto*, void* userData, const mosquitto_message* message)
    {
        if (message == nullptr || message->topic == nullptr)
            return;
        const size_t length = message->payloadlen > 0 ? static_cast<size_t>(message->payloadlen) : 0;
        WatchOf(userData).OnMessage(message->topic,
                                    std::string(static_cast<const char*>(message->payload), length));
    }
};

CampusWatch::CampusWatch(const ToolOptions& options, CampusView& view)
    : m_options(options), m_view(view), m_client(this),
      // Four levels under the prefix: no room's topic, so no panel and no
      // room filter (PREFIX/+/...) takes it.
      m_syncTopic(options.prefix + "/aulavox-campus/sync/" + RandomToken())
{
}

std::string CampusWatch::Connect(bool withEvents, int timeoutMs)
{
    BrokerAddress address;
    std::string why;
    if (!ParseBrokerUrl(m_options.broker, address, why))
        return why;
    const std::string reason =
        m_client.ConnectAndWait(address, m_options.user, m_options.password, m_options.caFile, timeoutMs);
    if (!reason.empty())
        return reason;
    m_connected = true;
    mosquitto_message_callback_set(m_client.Get(), Callbacks::Message);
    mosquitto* mosq = m_client.Get();
    const std::string rooms = m_options.prefix + "/+/";
    // The broker handles one client's packets in order: the marker is
    // published after every subscription holds and comes back last.
    int result = mosquitto_subscribe(mosq, nullptr, (rooms + "status").c_str(), QOS_IN_ORDER);
    if (result == MOSQ_ERR_SUCCESS)
        result = mosquitto_subscribe(mosq, nullptr, (rooms + "state").c_str(), QOS_IN_ORDER);
    if (result == MOSQ_ERR_SUCCESS && withEvents)
        result = mosquitto_subscribe(mosq, nullptr, (rooms + "event").c_str(), QOS_COMMAND);
    if (result == MOSQ_ERR_SUCCESS)
        result = mosquitto_subscribe(mosq, nullptr, m_syncTopic.c_str(), QOS_IN_ORDER);
    if (result == MOSQ_ERR_SUCCESS)
        result = mosquitto_publish(mosq, nullptr, m_syncTopic.c_str(), 0, nullptr, QOS_IN_ORDER, false);
    return result == MOSQ_ERR_SUCCESS ? "" : "unable to subscribe: " + m_client.Reason(result);
}

void CampusWatch::OnMessage(const std::string& topic, const std::string& payload)
{
    if (topic == m_syncTopic)
        m_synced = true;
    else
        m_view.Take(topic, payload);
}

std::string CampusWatch::Publish(const std::string& topic, const std::string& payload)
{
    const int rc = mosquitto_publish(m_client.Get(), nullptr, topic.c_str(), static_cast<int>(payload.size()),
                                     payload.data(), QOS_COMMAND, false);
    return rc == MOSQ_ERR_SUCCESS ? "" : m_client.Reason(rc);
}

std::string CampusWatch::RunUntil(const std::function<bool()>& done, Clock::time_point deadline)
{
    while (!done() && Clock::now() < deadline)
    {
        const int rc = m_client.Loop(LOOP_WAIT_MS);
        if (rc != MOSQ_ERR_SUCCESS && !m_client.HasSocket())
            return "connection lost: " + m_client.Reason(rc);
    }
    return "";
}

void CampusWatch::Disconnect()
{
    if (!m_connected || mosquitto_disconnect(m_client.Get()) != MOSQ_ERR_SUCCESS)
        return;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(500);
    while (m_client.HasSocket() && Clock::now() < deadline)
        if (m_client.Loop(LOOP_WAIT_MS) != MOSQ_ERR_SUCCESS)
            return;
}
