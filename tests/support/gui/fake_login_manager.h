#pragma once

#include "support/core/child_process.h"
#include "support/core/temp_dir.h"

#include <memory>
#include <string>
#include <vector>

typedef struct _GDBusConnection GDBusConnection;
typedef struct _GVariant GVariant;

// A private dbus-daemon standing in for the system and the session bus
// (Address()), with python3-dbusmock's logind on it and any other dbusmock
// service the test starts. Every child ends with it.
class FakeLoginManager
{
public:
    FakeLoginManager() = default;
    ~FakeLoginManager();
    FakeLoginManager(const FakeLoginManager&) = delete;
    FakeLoginManager& operator=(const FakeLoginManager&) = delete;

    // Starts the bus and logind; false with the reason.
    bool Start(std::string& error);
    const std::string& Address() const { return m_address; }
    // python3 -m dbusmock with these arguments, once it owns the name.
    bool StartMock(const char* name, std::vector<std::string> arguments);
    // The reply's first value as a bool (true without one); false on failure, the reason in error.
    bool Call(const char* name, const char* path, const char* interface, const char* method, GVariant* parameters);

    // Notes logind's Inhibit calls so far.
    void Serve();
    bool EmitPrepareForShutdown(bool starting) { return EmitPrepare("PrepareForShutdown", starting); }
    bool EmitPrepareForSleep(bool starting) { return EmitPrepare("PrepareForSleep", starting); }
    // Whether someone still holds one of logind's inhibitor locks.
    bool LockHeld();

    int inhibitCalls = 0;
    std::string lastInhibit; // the last call as GVariant text: "(time, [<'what'>, <'who'>, <'why'>, <'mode'>])"
    std::string error;

private:
    GVariant* Ask(const char* name, const char* path, const char* interface, const char* method, GVariant* parameters);
    GVariant* AskLogind(const char* interface, const char* method, GVariant* parameters);
    bool EmitPrepare(const char* signal, bool starting);

    TempDir m_dir;
    std::string m_address = "unix:path=" + m_dir.File("bus");
    ChildProcess m_daemon{{"/usr/bin/dbus-daemon", "--session", "--nofork", "--address=" + m_address}, {}, m_dir.File("bus.txt")};
    std::vector<std::unique_ptr<ChildProcess>> m_mocks;
    GDBusConnection* m_bus = nullptr;
};
