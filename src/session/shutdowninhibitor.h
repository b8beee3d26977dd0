#pragma once

class SessionEventsReceiver;
typedef struct _GCancellable GCancellable;
typedef struct _GDBusConnection GDBusConnection;
typedef struct _GObject GObject;
typedef struct _GAsyncResult GAsyncResult;
typedef struct _GVariant GVariant;

// Holds back the machine's shutdown for a moment: a delay lock for
// "shutdown" from logind (org.freedesktop.login1 on the system bus). When
// logind announces the shutdown, the receiver acts, then the lock is let go;
// a shutdown called off takes the lock again. Sleep is not held back, but
// the end of a sleep is passed on (the clock has jumped). Works from the
// GLib main loop the toolkit runs.
class ShutdownInhibitor
{
public:
    explicit ShutdownInhibitor(SessionEventsReceiver& receiver);
    ~ShutdownInhibitor();
    ShutdownInhibitor(const ShutdownInhibitor&) = delete;
    ShutdownInhibitor& operator=(const ShutdownInhibitor&) = delete;

    // Connects to the system bus (DBUS_SYSTEM_BUS_ADDRESS when set) and asks
    // for the lock; both happen in the background.
    void Start();
    bool HoldsLock() const { return m_lockFd >= 0; }

private:
    static void OnBus(GObject* source, GAsyncResult* result, void* data);
    static void OnLock(GObject* source, GAsyncResult* result, void* data);
    static void OnPrepareForShutdown(GDBusConnection* bus, const char* sender, const char* path,
                                     const char* interface, const char* signal, GVariant* parameters, void* data);
    static void OnPrepareForSleep(GDBusConnection* bus, const char* sender, const char* path, const char* interface,
                                  const char* signal, GVariant* parameters, void* data);

    void TakeLock();
    void ReleaseLock();

    SessionEventsReceiver& m_receiver;
    GCancellable* m_cancel = nullptr;
    GDBusConnection* m_bus = nullptr;
    unsigned m_subscription = 0;
    unsigned m_sleepSubscription = 0;
    int m_lockFd = -1;
    bool m_taking = false;
    bool m_reported = false; // whether the log said that the lock is in use
};
