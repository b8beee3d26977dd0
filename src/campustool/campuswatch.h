#pragma once

#include "campus/mqttclient.h"
#include "campustool/campusview.h"
#include "campustool/tooloptions.h"

#include <chrono>
#include <functional>
#include <string>

// The command's one connection to the broker: it feeds every message of
// the rooms' topics into a CampusView and publishes commands. Single
// threaded: the caller runs the network with RunUntil.
class CampusWatch
{
public:
    using Clock = std::chrono::steady_clock;

    CampusWatch(const ToolOptions& options, CampusView& view);
    CampusWatch(const CampusWatch&) = delete;
    CampusWatch& operator=(const CampusWatch&) = delete;

    // Connects and subscribes to the rooms' status and state (and their
    // events when asked), then to a marker of its own that is sent behind
    // them, so that Synced says when every retained message is in. Empty
    // on success, else why the broker cannot be reached.
    std::string Connect(bool withEvents, int timeoutMs);
    bool Synced() const { return m_synced; }
    // Sends a message, not retained. Empty on success, else the reason.
    std::string Publish(const std::string& topic, const std::string& payload);
    // Runs the network until done() holds or the deadline passes. Empty
    // unless the connection was lost, then the reason.
    std::string RunUntil(const std::function<bool()>& done, Clock::time_point deadline);
    // Says goodbye, waiting at most a moment for what is still queued.
    void Disconnect();

    struct Callbacks; // the library's callbacks

private:
    void OnMessage(const std::string& topic, const std::string& payload);

    const ToolOptions& m_options;
    CampusView& m_view;
    MqttClient m_client;
    std::string m_syncTopic;
    bool m_connected = false;
    bool m_synced = false;
};
