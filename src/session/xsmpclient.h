#pragma once

#include <X11/SM/SMlib.h>

#include <string>

class SessionEventsReceiver;

// A client of the desktop's session manager (XSMP over ICE). A logout asks
// the program to save itself with shutdown: it asks for its turn to talk to
// the user, lets the receiver ask and act, and reports that it is done; the
// session manager's Die ends the program. The ICE connection is served from
// the GLib main loop the toolkit runs: no thread, no polling.
class XsmpClient
{
public:
    explicit XsmpClient(SessionEventsReceiver& receiver);
    ~XsmpClient();
    XsmpClient(const XsmpClient&) = delete;
    XsmpClient& operator=(const XsmpClient&) = delete;

    // Registers with the session manager that SESSION_MANAGER names, the
    // program never to be restarted by the session. False without one.
    bool Connect(const std::string& programPath);
    bool IsConnected() const { return m_conn != nullptr; }

    // Processes what the session manager sent; false once the connection is
    // gone (the main loop's watch calls it when the descriptor is readable).
    bool ProcessMessages();

private:
    enum class State
    {
        IDLE,
        WAITING_FOR_TURN, // interaction requested, not yet granted
        INTERACTING,      // the turn was granted: the receiver's part is queued or running
        ACTING_ALONE,     // no turn allowed: the receiver acts without asking
    };

    static void OnSaveYourself(SmcConn conn, SmPointer data, int saveType, Bool shutdown, int interactStyle,
                               Bool fast);
    static void OnInteract(SmcConn conn, SmPointer data);
    static void OnDie(SmcConn conn, SmPointer data);
    static void OnSaveComplete(SmcConn conn, SmPointer data);
    static void OnShutdownCancelled(SmcConn conn, SmPointer data);
    static int RunInteraction(void* data);
    static int RunSessionOver(void* data);
    static int RunWithoutAsking(void* data);

    void SetProperties(const std::string& programPath);
    // The save the manager asked for, from the toolkit's loop: the receiver
    // hears of the end, then the manager hears that the save is done.
    void DeliverSessionEnding(bool mayAsk);
    void FinishSave();
    void Close();
    void Queue(int (*call)(void*));

    SessionEventsReceiver& m_receiver;
    SmcConn m_conn = nullptr;
    State m_state = State::IDLE;
    bool m_cancelled = false;
    unsigned m_pendingSource = 0; // a queued call of the receiver
    unsigned m_iceWatch = 0;      // the ICE connection's descriptor in the main loop
};
