#pragma once

#include "campus/brokeraddress.h"

#include <string>

struct mosquitto;

// One libmosquitto client set up for a broker: MQTT 3.1.1, credentials,
// TLS (the given CA file or the system's certificates). The library is
// started once per process. Used by one thread at a time.
class MqttClient
{
public:
    // The callbacks the caller sets get this client as their user data;
    // OwnerOf gives the owner back.
    explicit MqttClient(void* owner);
    ~MqttClient();
    MqttClient(const MqttClient&) = delete;
    MqttClient& operator=(const MqttClient&) = delete;

    mosquitto* Get() const { return m_mosq; }
    static void* OwnerOf(void* userData) { return static_cast<MqttClient*>(userData)->m_owner; }
    // Empty on success, else why the client cannot be used.
    std::string SetUp(const BrokerAddress& address, const std::string& user, const std::string& password,
                      const std::string& caFile);
    // Starts a connection without waiting for it (a name is still looked up
    // here). Empty on success, else the reason.
    std::string StartConnect(const BrokerAddress& address);
    bool HasSocket() const;
    // SetUp and StartConnect, then runs the network until the broker answers
    // or timeoutMs pass. Empty once connected, else why not: the broker's
    // refusal, no answer within the time, or the library's reason. Takes
    // the connect callback for itself.
    std::string ConnectAndWait(const BrokerAddress& address, const std::string& user, const std::string& password,
                               const std::string& caFile, int timeoutMs);
    // One turn of the network: waits up to timeoutMs for the socket, then
    // reads, writes and keeps the connection alive. A library result; the
    // socket is closed after a failure. poll(), not the library's select(),
    // so that a process may hold more than FD_SETSIZE descriptors (the
    // benchmark's hundreds of rooms).
    int Loop(int timeoutMs);

    // The reason for a library result: the system's text for an I/O error,
    // the library's last error line for TLS, else the library's text.
    std::string Reason(int rc) const;
    // Keeps the library's last error line (its log callback).
    void NoteLibraryError(const char* text) { m_libraryError = text ? text : ""; }

private:
    static void OnConnack(mosquitto* mosq, void* userData, int rc);

    void* m_owner;
    mosquitto* m_mosq = nullptr;
    std::string m_libraryError;
    int m_connack = -1; // the broker's answer while ConnectAndWait waits; -1 before it
};

// Seconds between the client's keep-alive pings.
constexpr int MQTT_KEEPALIVE_S = 30;
