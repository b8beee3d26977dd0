// The configuration's "Test": one connection, then gone.

#include "campus/campuslink.h"
#include "campus/mqttclient.h"

#include <mosquitto.h>

std::string ProbeBroker(const CampusSettings& settings, int timeoutMs)
{
    const std::string invalid = CampusLink::CheckSettings(settings);
    if (!invalid.empty())
        return invalid;
    BrokerAddress address;
    std::string why;
    ParseBrokerUrl(settings.broker, address, why);

    MqttClient client(nullptr);
    const std::string reason =
        client.ConnectAndWait(address, settings.user, settings.password, settings.caFile, timeoutMs);
    if (!reason.empty())
        return reason;
    mosquitto_disconnect(client.Get());
    client.Loop(100); // the goodbye, if it can go at once
    return "Connected";
}
