#pragma once

#include <X11/SM/SMlib.h>

#include <functional>
#include <string>
#include <vector>

// A minimal XSMP session manager on libSM's server side, for black-box runs
// of the program under SESSION_MANAGER=Address(). It grants every request to
// interact at once and records what its one client did. Served by Pump from
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

    // Serves connections and messages until the condition holds or the time
    // is up; returns the condition.
    bool PumpUntil(const std::function<bool()>& condition, int timeoutMs);

    // The logout: save with shutdown, interaction allowed as given; the end.
    void SaveYourself(int interactStyle);
    void Die();

    bool registered = false;
    int interactDones = 0;
    bool lastCancelShutdown = true;
    int saveDones = 0;
    int restartStyleHint = -1; // from the client's properties

private:
    static Status OnNewClient(SmsConn conn, SmPointer data, unsigned long* mask, SmsCallbacks* callbacks,
                              char** failure);

    void ServeOnce(int timeoutMs);
    void Drop(IceConn conn);

    int m_listenCount = 0;
    IceListenObj* m_listen = nullptr;
    std::vector<IceConn> m_connections;
    SmsConn m_client = nullptr;
    std::string m_address;
    std::vector<std::string> m_socketFiles;
};
