// The configuration's "Test": one connection, then gone.

#include "campus/campuslink.h"
#include "campus/mqttclient.h"

#include <mosquitto.h>

#include <chrono>

namespace {

struct Probe
{
    bool answered = false;
    std::string refusal;
};

void OnProbeConnect(mosquitto*, void* userData, int rc)
{
    Probe& probe = *static_cast<Probe*>(MqttClient::OwnerOf(userData));
    probe.answered = true;
    if (rc != 0)
        probe.refusal = std::string("refused: ") + mosquitto_connack_string(rc);
}

} // namespace

std::string ProbeBroker(const CampusSettings& settings, int timeoutMs)
{
    const std::string invalid = CampusLink::CheckSettings(settings);
    if (!invalid.empty())
        return invalid;
    BrokerAddress address;
    std::string why;
    ParseBrokerUrl(settings.broker, address, why);

    Probe probe;
    MqttClient client(&probe);
    std::string reason = client.SetUp(address, settings.user, settings.password, settings.caFile);
    if (!reason.empty())
        return reason;
    mosquitto_connect_callback_set(client.Get(), OnProbeConnect);
    reason = client.StartConnect(address);
    if (!reason.empty())
        return reason;

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!probe.answered)
    {
        if (std::chrono::steady_clock::now() >= deadline)
            return "no answer from the broker within " + std::to_string(timeoutMs / 1000) + " s";
        const int rc = client.Loop(100);
        if (rc != MOSQ_ERR_SUCCESS && !probe.answered && !client.HasSocket())
            return client.Reason(rc);
    }
    if (!probe.refusal.empty())
        return probe.refusal;
    mosquitto_disconnect(client.Get());
    client.Loop(100); // the goodbye, if it can go at once
    return "Connected";
}
