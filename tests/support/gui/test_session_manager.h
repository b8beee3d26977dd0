#pragma once

#include <X11/SM/SMlib.h>

#include <string>
#include <vector>

// A minimal XSMP session manager on libSM's server side, for black-box runs
// of the program under SESSION_MANAGER=Address(), recording what its one
// registered client did. Served by Serve from the test's thread; one at a
// time per process.
class TestSessionManager
{
public:
    ~TestSessionManager();

    // Listens on fresh sockets; false (with the reason) when it cannot.
    bool Start(std::string& error);
    const std::string& Address() const { return m_address; }
    // Serves the connections and messages that are waiting; never waits.
    void Serve();

    // The logout (a save with shutdown, no interaction), then the end.
    void SaveYourself() { SmsSaveYourself(m_client, SmSaveBoth, True, SmInteractStyleNone, False); }
    void Die() { SmsDie(m_client); }

    bool registered = false;
    int saveDones = 0;

private:
    static Status OnNewClient(SmsConn conn, SmPointer, unsigned long* mask, SmsCallbacks* callbacks, char**);

    int m_listenCount = 0;
    IceListenObj* m_listen = nullptr;
    std::vector<IceConn> m_connections;
    SmsConn m_client = nullptr;
    std::string m_address;
};
