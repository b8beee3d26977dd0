#include "support/core/mqtt_broker.h"

#include <mosquitto.h>

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Binds a loopback socket to the port (0: any free one) and gives the port
// bound; with connectToIt, connects there instead and gives whether it was taken.
int OnLoopback(int port, bool connectToIt = false)
{
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    auto* raw = reinterpret_cast<sockaddr*>(&address);
    socklen_t length = sizeof address;
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    int result = 0;
    if (fd >= 0 && connectToIt)
        result = connect(fd, raw, length) == 0;
    else if (fd >= 0 && bind(fd, raw, length) == 0 && getsockname(fd, raw, &length) == 0)
        result = ntohs(address.sin_port);
    if (fd >= 0)
        close(fd);
    return result;
}

} // namespace

bool MqttBroker::Start(const std::string& user, const std::string& password)
{
    if (m_port == 0)
        m_port = OnLoopback(0);
    std::string config = "listener " + std::to_string(m_port) + " 127.0.0.1\npersistence false\nuser root\n";
    if (user.empty())
        config += "allow_anonymous true\n";
    else
    {
        const std::string passwords = m_dir.File("passwords");
        ChildProcess passwd({"/usr/bin/mosquitto_passwd", "-c", "-b", passwords, user, password}, {},
                            m_dir.File("passwd.out"));
        if (!passwd.Start() || !passwd.Wait(10000) || passwd.ExitStatus() != 0)
            return false;
        config += "allow_anonymous false\npassword_file " + passwords + "\n";
    }
    if (!WriteWholeFile(m_dir.File("mosquitto.conf"), config))
        return false;
    m_process = std::make_unique<ChildProcess>(
        std::vector<std::string>{"/usr/sbin/mosquitto", "-c", m_dir.File("mosquitto.conf")}, ChildProcess::Env{},
        m_dir.File("mosquitto.out"));
    return m_process->Start() &&
           WaitUntil([this] { return OnLoopback(m_port, true) || !m_process->Running(); }, 10000) &&
           m_process->Running();
}

void MqttBroker::Stop()
{
    if (m_process && m_process->Signal(SIGTERM))
        m_process->Wait(10000);
    m_process.reset();
}

MqttWatcher::~MqttWatcher()
{
    if (m_mosq != nullptr)
    {
        mosquitto_disconnect(m_mosq);
        mosquitto_loop_stop(m_mosq, false);
        mosquitto_destroy(m_mosq);
    }
}

bool MqttWatcher::Start(int port, const std::string& filter)
{
    mosquitto_lib_init();
    m_mosq = mosquitto_new(nullptr, true, this);
    if (m_mosq == nullptr)
        return false;
    // The callbacks run on the client's network thread.
    mosquitto_message_callback_set(m_mosq, [](mosquitto*, void* self, const mosquitto_message* message) {
        MqttWatcher& watcher = *static_cast<MqttWatcher*>(self);
        std::lock_guard<std::mutex> lock(watcher.m_mutex);
        watcher.m_messages.push_back({message->topic,
                                      std::string(static_cast<const char*>(message->payload),
                                                  static_cast<size_t>(message->payloadlen)),
                                      message->retain});
    });
    mosquitto_subscribe_callback_set(m_mosq, [](mosquitto*, void* self, int, int, const int*) {
        MqttWatcher& watcher = *static_cast<MqttWatcher*>(self);
        std::lock_guard<std::mutex> lock(watcher.m_mutex);
        watcher.m_subscribed = true;
    });
    if (mosquitto_connect(m_mosq, "127.0.0.1", port, 30) != MOSQ_ERR_SUCCESS ||
        mosquitto_subscribe(m_mosq, nullptr, filter.c_str(), 1) != MOSQ_ERR_SUCCESS ||
        mosquitto_loop_start(m_mosq) != MOSQ_ERR_SUCCESS)
        return false;
    return WaitUntil([this] {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_subscribed;
    });
}

void MqttWatcher::Publish(const std::string& topic, const std::string& payload, bool retain)
{
    mosquitto_publish(m_mosq, nullptr, topic.c_str(), static_cast<int>(payload.size()), payload.data(), 1, retain);
}

std::vector<MqttWatcher::Message> MqttWatcher::Messages() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_messages;
}

std::string MqttWatcher::Last(const std::string& topic) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto it = m_messages.rbegin(); it != m_messages.rend(); ++it)
        if (it->topic == topic)
            return it->payload;
    return "";
}

bool MqttWatcher::WaitFor(const std::string& topic, const std::function<bool(const std::string&)>& condition,
                          int timeoutMs) const
{
    return WaitUntil([&] { return condition(Last(topic)); }, timeoutMs);
}

bool MqttWatcher::WaitForText(const std::string& topic, const std::string& part, int timeoutMs) const
{
    return WaitFor(topic, [&](const std::string& payload) { return payload.find(part) != std::string::npos; },
                   timeoutMs);
}
