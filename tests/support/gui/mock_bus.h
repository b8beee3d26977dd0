#pragma once

#include "support/core/child_process.h"
#include "support/core/temp_dir.h"

#include <memory>
#include <string>
#include <vector>

typedef struct _GDBusConnection GDBusConnection;
typedef struct _GVariant GVariant;

// A private dbus-daemon for tests (point DBUS_SYSTEM_BUS_ADDRESS and
// DBUS_SESSION_BUS_ADDRESS at Address()), with services mocked by
// python3-dbusmock on it.
class MockBus
{
public:
    MockBus() = default;
    ~MockBus();
    MockBus(const MockBus&) = delete;
    MockBus& operator=(const MockBus&) = delete;

    // Starts the bus and connects to it. False with the reason.
    bool Start(std::string& error);
    const std::string& Address() const { return m_address; }

    // Runs `python3 -m dbusmock` with these arguments and waits until it
    // owns the name. False with the reason.
    bool StartMock(const std::string& name, const std::vector<std::string>& arguments, std::string& error);
    // Calls a method of the mock's own interface (org.freedesktop.DBus.Mock),
    // such as AddProperty or AddMethod, on the object. Takes the parameters.
    bool CallMock(const std::string& name, const std::string& path, const char* method, GVariant* parameters,
                  std::string& error);
    // Any method call; the reply is dropped. Takes the parameters.
    bool Call(const char* name, const char* path, const char* interface, const char* method, GVariant* parameters,
              std::string& error);

private:
    bool Call(const char* name, const char* path, const char* interface, const char* method, GVariant* parameters,
              GVariant** reply, std::string& error);

    TempDir m_dir;
    std::unique_ptr<ChildProcess> m_daemon;
    std::vector<std::unique_ptr<ChildProcess>> m_mocks;
    std::string m_address;
    GDBusConnection* m_bus = nullptr;
};
