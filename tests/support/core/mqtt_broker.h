#pragma once

#include "support/core/child_process.h"
#include "support/core/temp_dir.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct mosquitto;

// A real mosquitto on a free loopback port, with its own configuration in a
// temporary folder; with a user and password, anonymous clients are refused.
class MqttBroker
{
public:
    ~MqttBroker() { Stop(); }
    bool Start(const std::string& user = "", const std::string& password = "");
    // Ends it (SIGTERM, by its id) and waits; Start again keeps the port.
    void Stop();
    std::string Url() const { return "mqtt://127.0.0.1:" + std::to_string(m_port); }
    int Port() const { return m_port; }

private:
    TempDir m_dir;
    int m_port = 0;
    std::unique_ptr<ChildProcess> m_process;
};

// A client that keeps every message of its subscription, and publishes.
class MqttWatcher
{
public:
    struct Message
    {
        std::string topic, payload;
        bool retained;
    };
    ~MqttWatcher();
    // Connects, subscribes and waits for the subscription to hold.
    bool Start(int port, const std::string& filter = "#");
    void Publish(const std::string& topic, const std::string& payload, bool retain = false);
    std::vector<Message> Messages() const;
    // The last payload on a topic, "" when none came.
    std::string Last(const std::string& topic) const;
    // Waits until the last payload on topic satisfies the condition.
    bool WaitFor(const std::string& topic, const std::function<bool(const std::string&)>& condition,
                 int timeoutMs = 15000) const;
    bool WaitForText(const std::string& topic, const std::string& part, int timeoutMs = 15000) const;

private:
    mosquitto* m_mosq = nullptr;
    mutable std::mutex m_mutex;
    std::vector<Message> m_messages;
    bool m_subscribed = false;
};
