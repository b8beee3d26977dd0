#include "campus/mqttclient.h"

#include <mosquitto.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <poll.h>

namespace {

constexpr int CONNECT_TURN_MS = 50;

void StartLibrary()
{
    static std::once_flag started;
    std::call_once(started, [] { mosquitto_lib_init(); });
}

void OnLibraryLog(mosquitto*, void* userData, int level, const char* text)
{
    // Only errors matter: the reason a TLS handshake failed is told here.
    if (level == MOSQ_LOG_ERR)
        static_cast<MqttClient*>(userData)->NoteLibraryError(text);
}

} // namespace

MqttClient::MqttClient(void* owner) : m_owner(owner)
{
    StartLibrary();
    // No client id of our own: a fresh one each time, and a clean session.
    m_mosq = mosquitto_new(nullptr, true, this);
    if (m_mosq != nullptr)
        mosquitto_log_callback_set(m_mosq, OnLibraryLog);
}

MqttClient::~MqttClient()
{
    if (m_mosq != nullptr)
        mosquitto_destroy(m_mosq);
}

std::string MqttClient::SetUp(const BrokerAddress& address, const std::string& user, const std::string& password,
                              const std::string& caFile)
{
    if (m_mosq == nullptr)
        return "unable to create an MQTT client: " + std::string(strerror(errno));
    mosquitto_int_option(m_mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    if (!user.empty())
    {
        const int rc = mosquitto_username_pw_set(m_mosq, user.c_str(), password.empty() ? nullptr : password.c_str());
        if (rc != MOSQ_ERR_SUCCESS)
            return "unable to use the user name: " + Reason(rc);
    }
    if (address.tls)
    {
        int rc = MOSQ_ERR_SUCCESS;
        if (caFile.empty())
            rc = mosquitto_int_option(m_mosq, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
        else
            rc = mosquitto_tls_set(m_mosq, caFile.c_str(), nullptr, nullptr, nullptr, nullptr);
        if (rc != MOSQ_ERR_SUCCESS)
            return caFile.empty() ? "unable to use the system's certificates: " + Reason(rc)
                                  : "unable to use the CA file '" + caFile + "': " + Reason(rc);
    }
    return "";
}

std::string MqttClient::StartConnect(const BrokerAddress& address)
{
    m_libraryError.clear();
    errno = 0;
    const int rc = mosquitto_connect_async(m_mosq, address.host.c_str(), address.port, MQTT_KEEPALIVE_S);
    if (rc == MOSQ_ERR_SUCCESS)
        return "";
    return Reason(rc);
}

void MqttClient::OnConnack(mosquitto*, void* userData, int rc)
{
    static_cast<MqttClient*>(userData)->m_connack = rc;
}

std::string MqttClient::ConnectAndWait(const BrokerAddress& address, const std::string& user,
                                       const std::string& password, const std::string& caFile, int timeoutMs)
{
    std::string reason = SetUp(address, user, password, caFile);
    if (!reason.empty())
        return reason;
    m_connack = -1;
    mosquitto_connect_callback_set(m_mosq, OnConnack);
    reason = StartConnect(address);
    if (!reason.empty())
        return reason;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (m_connack < 0)
    {
        if (std::chrono::steady_clock::now() >= deadline)
            return "no answer from the broker within " + std::to_string(timeoutMs / 1000) + " s";
        const int rc = Loop(CONNECT_TURN_MS);
        if (rc != MOSQ_ERR_SUCCESS && m_connack < 0 && !HasSocket())
            return Reason(rc);
    }
    return m_connack == 0 ? "" : std::string("refused: ") + mosquitto_connack_string(m_connack);
}

bool MqttClient::HasSocket() const
{
    return mosquitto_socket(m_mosq) >= 0;
}

int MqttClient::Loop(int timeoutMs)
{
    pollfd socket = {mosquitto_socket(m_mosq), POLLIN, 0};
    if (socket.fd < 0)
        return MOSQ_ERR_NO_CONN;
    if (mosquitto_want_write(m_mosq))
        socket.events |= POLLOUT;
    const int ready = poll(&socket, 1, timeoutMs);
    if (ready < 0)
        return errno == EINTR ? MOSQ_ERR_SUCCESS : MOSQ_ERR_ERRNO;
    if (socket.revents & (POLLIN | POLLHUP | POLLERR))
    {
        const int rc = mosquitto_loop_read(m_mosq, 1);
        if (rc != MOSQ_ERR_SUCCESS || !HasSocket())
            return rc;
    }
    // What a callback queued during the read goes out now, too.
    if ((socket.revents & POLLOUT) || mosquitto_want_write(m_mosq))
    {
        const int rc = mosquitto_loop_write(m_mosq, 1);
        if (rc != MOSQ_ERR_SUCCESS || !HasSocket())
            return rc;
    }
    return mosquitto_loop_misc(m_mosq);
}

std::string MqttClient::Reason(int rc) const
{
    if (rc == MOSQ_ERR_ERRNO)
        return errno != 0 ? strerror(errno) : "connection lost";
    if (rc == MOSQ_ERR_TLS && !m_libraryError.empty())
        return m_libraryError;
    if (rc == MOSQ_ERR_EAI)
        return "the broker's host name cannot be resolved";
    return mosquitto_strerror(rc);
}
