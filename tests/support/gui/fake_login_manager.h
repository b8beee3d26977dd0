#pragma once

#include "support/core/child_process.h"
#include "support/core/temp_dir.h"

#include <memory>
#include <string>

typedef struct _GDBusConnection GDBusConnection;

// A private dbus-daemon standing in for the system bus
// (DBUS_SYSTEM_BUS_ADDRESS=Address()), and on it a small fake of logind's
// manager: Inhibit hands out one end of a pipe as the lock and keeps the
// other, so the test sees when the lock is let go; PrepareForShutdown and
// PrepareForSleep are sent when the test says. Served by Serve from the test's thread.
class FakeLoginManager
{
public:
    FakeLoginManager() = default;
    ~FakeLoginManager();
    FakeLoginManager(const FakeLoginManager&) = delete;
    FakeLoginManager& operator=(const FakeLoginManager&) = delete;

    // Starts the bus, connects and takes logind's name. False with the reason.
    bool Start(std::string& error);
    const std::string& Address() const { return m_address; }

    // Serves the D-Bus calls that are waiting; never waits.
    void Serve();
    bool EmitPrepareForShutdown(bool starting) { return EmitPrepare("PrepareForShutdown", starting); }
    bool EmitPrepareForSleep(bool starting) { return EmitPrepare("PrepareForSleep", starting); }

    // Whether the last lock handed out is still held by someone.
    bool LockHeld();

    int inhibitCalls = 0;
    std::string lastInhibit; // "what|who|why|mode"

private:
    bool EmitPrepare(const char* signal, bool starting);
    static void OnMethodCall(GDBusConnection* bus, const char* sender, const char* path, const char* interface,
                             const char* method, struct _GVariant* parameters,
                             struct _GDBusMethodInvocation* invocation, void* data);

    TempDir m_dir;
    std::unique_ptr<ChildProcess> m_daemon;
    std::string m_address;
    GDBusConnection* m_bus = nullptr;
    int m_lockReadEnd = -1;
};
