#include "support/gui/test_session_manager.h"

#include <X11/ICE/ICEutil.h>
#include <X11/ICE/ICElib.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <sstream>
#include <unistd.h>

namespace {

TestSessionManager* theManager = nullptr; // libSM takes its new-client callback once per process

Bool AllowAnyHost(char*)
{
    return True;
}

void IgnoreIOError(IceConn)
{
}

} // namespace

TestSessionManager::~TestSessionManager()
{
    for (IceConn conn : std::vector<IceConn>(m_connections))
        Drop(conn);
    if (m_listen != nullptr)
        IceFreeListenObjs(m_listenCount, m_listen);
    for (const std::string& file : m_socketFiles)
        unlink(file.c_str());
    if (theManager == this)
        theManager = nullptr;
}

bool TestSessionManager::Start(std::string& error)
{
    static bool initialised = false;
    char text[256] = {};
    IceSetIOErrorHandler(IgnoreIOError);
    if (!initialised)
    {
        if (!SmsInitialize("AulavoxTests", "1.0", OnNewClient, nullptr, AllowAnyHost, sizeof text - 1, text))
        {
            error = std::string("SmsInitialize: ") + text;
            return false;
        }
        initialised = true;
    }
    theManager = this;
    if (!IceListenForConnections(&m_listenCount, &m_listen, sizeof text - 1, text))
    {
        error = std::string("IceListenForConnections: ") + text;
        return false;
    }
    for (int i = 0; i < m_listenCount; ++i)
        IceSetHostBasedAuthProc(m_listen[i], AllowAnyHost);
    char* ids = IceComposeNetworkIdList(m_listenCount, m_listen);
    if (ids == nullptr)
    {
        error = "IceComposeNetworkIdList failed";
        return false;
    }
    m_address = ids;
    free(ids);
    // "local/host:/tmp/.ICE-unix/NNN,...": the socket files to remove at the end.
    std::istringstream list(m_address);
    for (std::string id; std::getline(list, id, ',');)
        if (id.rfind("local/", 0) == 0 && id.find(':') != std::string::npos)
            m_socketFiles.push_back(id.substr(id.find(':') + 1));
    return true;
}

bool TestSessionManager::PumpUntil(const std::function<bool()>& condition, int timeoutMs)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition())
    {
        if (std::chrono::steady_clock::now() > end)
            return condition();
        ServeOnce(20);
    }
    return true;
}

void TestSessionManager::ServeOnce(int timeoutMs)
{
    std::vector<pollfd> fds;
    for (int i = 0; i < m_listenCount; ++i)
        fds.push_back({IceGetListenConnectionNumber(m_listen[i]), POLLIN, 0});
    for (IceConn conn : m_connections)
        fds.push_back({IceConnectionNumber(conn), POLLIN, 0});
    if (poll(fds.data(), fds.size(), timeoutMs) <= 0)
        return;
    for (int i = 0; i < m_listenCount; ++i)
    {
        if (!(fds[static_cast<size_t>(i)].revents & POLLIN))
            continue;
        IceAcceptStatus status;
        IceConn conn = IceAcceptConnection(m_listen[i], &status);
        if (conn != nullptr)
            m_connections.push_back(conn);
    }
    const std::vector<IceConn> connections(m_connections.begin(), m_connections.end());
    for (size_t i = 0; i < connections.size(); ++i)
    {
        const size_t slot = static_cast<size_t>(m_listenCount) + i;
        if (slot >= fds.size() || fds[slot].revents == 0)
            continue;
        if (IceProcessMessages(connections[i], nullptr, nullptr) == IceProcessMessagesIOError)
            Drop(connections[i]);
    }
}

void TestSessionManager::Drop(IceConn conn)
{
    m_connections.erase(std::remove(m_connections.begin(), m_connections.end(), conn), m_connections.end());
    IceSetShutdownNegotiation(conn, False);
    IceCloseConnection(conn);
}

void TestSessionManager::SaveYourself(int interactStyle)
{
    if (m_client != nullptr)
        SmsSaveYourself(m_client, SmSaveBoth, True, interactStyle, False);
}

void TestSessionManager::Die()
{
    if (m_client != nullptr)
        SmsDie(m_client);
}

// The client's messages are served here; what the tests read is recorded on
// the one manager of the process.
Status TestSessionManager::OnNewClient(SmsConn conn, SmPointer, unsigned long* mask, SmsCallbacks* callbacks,
                                       char**)
{
    if (theManager == nullptr)
        return 0;
    theManager->m_client = conn;
    memset(callbacks, 0, sizeof *callbacks);
    callbacks->register_client.callback = [](SmsConn client, SmPointer, char* previousId) -> Status {
        free(previousId);
        char* id = SmsGenerateClientID(client);
        const Status ok = id != nullptr && SmsRegisterClientReply(client, id);
        free(id);
        theManager->registered = ok != 0;
        return ok;
    };
    callbacks->interact_request.callback = [](SmsConn client, SmPointer, int) { SmsInteract(client); };
    callbacks->interact_done.callback = [](SmsConn, SmPointer, Bool cancelShutdown) {
        ++theManager->interactDones;
        theManager->lastCancelShutdown = cancelShutdown;
    };
    callbacks->save_yourself_request.callback = [](SmsConn, SmPointer, int, Bool, int, Bool, Bool) {};
    callbacks->save_yourself_phase2_request.callback = [](SmsConn client, SmPointer) { SmsSaveYourselfPhase2(client); };
    callbacks->save_yourself_done.callback = [](SmsConn, SmPointer, Bool) { ++theManager->saveDones; };
    callbacks->close_connection.callback = [](SmsConn client, SmPointer, int count, char** reasons) {
        SmFreeReasons(count, reasons);
        SmsCleanUp(client);
        if (theManager->m_client == client)
            theManager->m_client = nullptr;
    };
    callbacks->set_properties.callback = [](SmsConn, SmPointer, int count, SmProp** props) {
        for (int i = 0; i < count; ++i)
        {
            const SmProp* prop = props[i];
            if (strcmp(prop->name, SmRestartStyleHint) == 0 && prop->num_vals == 1 && prop->vals[0].length == 1)
                theManager->restartStyleHint = static_cast<unsigned char*>(prop->vals[0].value)[0];
            SmFreeProperty(props[i]);
        }
        free(props);
    };
    callbacks->delete_properties.callback = [](SmsConn, SmPointer, int count, char** names) {
        for (int i = 0; i < count; ++i)
            free(names[i]);
        free(names);
    };
    callbacks->get_properties.callback = [](SmsConn client, SmPointer) { SmsReturnProperties(client, 0, nullptr); };
    *mask = SmsRegisterClientProcMask | SmsInteractRequestProcMask | SmsInteractDoneProcMask |
            SmsSaveYourselfRequestProcMask | SmsSaveYourselfP2RequestProcMask | SmsSaveYourselfDoneProcMask |
            SmsCloseConnectionProcMask | SmsSetPropertiesProcMask | SmsDeletePropertiesProcMask |
            SmsGetPropertiesProcMask;
    return 1;
}
