#pragma once

#include <X11/SM/SMlib.h>

#include <string>
#include <vector>

// A minimal XSMP session manager on libSM's server side, for black-box runs
// of the program under SESSION_MANAGER=Address(). It grants every request to
// interact at once and records what its one client did. Served by Serve from
// the test's thread; one at a time per process.
class TestSessionManager
{
public:
    TestSessionManager() = default;
    ~TestSessionManager();
    TestSessionManager(const TestSessionManager&) = delete;
    TestSessionManager& operator=(const TestSessionManager&) = delete;

    // Listens on fresh sockets; false (with the reason) when it cannot.
    bool Start(std::string& error);
    const std::string& Address() const { return m_address; }
    // Serves the connections and messages that are waiting; never waits.
    void Serve();

    // The logout: save with shutdown, interaction allowed as given; the end.
    void SaveYourself(int interactStyle)
    {
        if (m_client != nullptr)
            SmsSaveYourself(m_client, SmSaveBoth, True, interactStyle, False);
    }
    void Die()
    {
        if (m_client != nullptr)
            SmsDie(m_client);
    }

    bool registered = false;
    int interactDones = 0, saveDones = 0;
    bool lastCancelShutdown = true;

private:
    static Status OnNewClient(SmsConn conn, SmPointer, unsigned long* mask, SmsCallbacks* callbacks, char**);

    int m_listenCount = 0;
    IceListenObj* m_listen = nullptr;
    std::vector<IceConn> m_connections;
    SmsConn m_client = nullptr;
    std::string m_address;
};
