#include "support/gui/test_session_manager.h"

#include <X11/ICE/ICEutil.h>
#include <X11/ICE/ICElib.h>

#include <cstdlib>
#include <cstring>
#include <poll.h>

namespace {

TestSessionManager* theManager = nullptr; // libSM takes its new-client callback once per process

Bool AllowAnyHost(char*)
{
    return True;
}

void Drop(std::vector<IceConn>& connections, size_t index)
{
    IceSetShutdownNegotiation(connections[index], False);
    IceCloseConnection(connections[index]);
    connections.erase(connections.begin() + static_cast<long>(index));
}

} // namespace

TestSessionManager::~TestSessionManager()
{
    while (!m_connections.empty())
        Drop(m_connections, 0);
    if (m_listen != nullptr)
        IceFreeListenObjs(m_listenCount, m_listen);
    theManager = nullptr;
}

bool TestSessionManager::Start(std::string& error)
{
    static bool initialised = false;
    char text[256] = {};
    IceSetIOErrorHandler([](IceConn) {});
    initialised = initialised ||
                  SmsInitialize("AulavoxTests", "1.0", OnNewClient, nullptr, AllowAnyHost, sizeof text - 1, text);
    theManager = this;
    if (!initialised || !IceListenForConnections(&m_listenCount, &m_listen, sizeof text - 1, text))
        return error = std::string("no session manager: ") + text, false;
    for (int i = 0; i < m_listenCount; ++i)
        IceSetHostBasedAuthProc(m_listen[i], AllowAnyHost);
    char* ids = IceComposeNetworkIdList(m_listenCount, m_listen);
    m_address = ids != nullptr ? ids : "";
    free(ids);
    error = "IceComposeNetworkIdList failed";
    return !m_address.empty();
}

void TestSessionManager::Serve()
{
    const size_t listeners = static_cast<size_t>(m_listenCount);
    std::vector<pollfd> fds;
    for (size_t i = 0; i < listeners; ++i)
        fds.push_back({IceGetListenConnectionNumber(m_listen[i]), POLLIN, 0});
    for (IceConn conn : m_connections)
        fds.push_back({IceConnectionNumber(conn), POLLIN, 0});
    if (poll(fds.data(), fds.size(), 0) <= 0)
        return;
    // Backwards: a dropped connection moves only those already served.
    for (size_t i = fds.size(); i-- > 0;)
    {
        IceAcceptStatus status;
        if (fds[i].revents == 0)
            continue;
        if (i < listeners)
        {
            if (IceConn conn = IceAcceptConnection(m_listen[i], &status))
                m_connections.push_back(conn);
        }
        else if (IceProcessMessages(m_connections[i - listeners], nullptr, nullptr) == IceProcessMessagesIOError)
            Drop(m_connections, i - listeners);
    }
}

// What the tests read is recorded on the one manager of the process.
Status TestSessionManager::OnNewClient(SmsConn conn, SmPointer, unsigned long* mask, SmsCallbacks* callbacks, char**)
{
    if (theManager == nullptr)
        return 0;
    theManager->m_client = conn;
    memset(callbacks, 0, sizeof *callbacks);
    callbacks->register_client.callback = [](SmsConn client, SmPointer, char* previousId) -> Status {
        free(previousId);
        char* id = SmsGenerateClientID(client);
        theManager->registered = id != nullptr && SmsRegisterClientReply(client, id) != 0;
        free(id);
        return theManager->registered;
    };
    callbacks->interact_request.callback = [](SmsConn client, SmPointer, int) { SmsInteract(client); };
    callbacks->interact_done.callback = [](SmsConn, SmPointer, Bool cancelShutdown) {
        ++theManager->interactDones;
        theManager->lastCancelShutdown = cancelShutdown;
    };
    callbacks->save_yourself_done.callback = [](SmsConn, SmPointer, Bool) { ++theManager->saveDones; };
    callbacks->close_connection.callback = [](SmsConn client, SmPointer, int count, char** reasons) {
        SmFreeReasons(count, reasons);
        SmsCleanUp(client);
        theManager->m_client = theManager->m_client == client ? nullptr : theManager->m_client;
    };
    callbacks->set_properties.callback = [](SmsConn, SmPointer, int count, SmProp** props) {
        for (int i = 0; i < count; ++i)
            SmFreeProperty(props[i]);
        free(props);
    };
    *mask = SmsRegisterClientProcMask | SmsInteractRequestProcMask | SmsInteractDoneProcMask |
            SmsSaveYourselfDoneProcMask | SmsCloseConnectionProcMask | SmsSetPropertiesProcMask;
    return 1;
}
