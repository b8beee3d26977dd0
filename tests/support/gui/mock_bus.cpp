#include "support/gui/mock_bus.h"

#include <gio/gio.h>

#include <csignal>

namespace {

// The system's Python, where the Debian package put dbusmock.
const char* const PYTHON = "/usr/bin/python3";

void StopChild(ChildProcess& child)
{
    if (child.Signal(SIGTERM))
        child.Wait(5000);
}

} // namespace

MockBus::~MockBus()
{
    for (auto& mock : m_mocks)
        StopChild(*mock);
    if (m_bus != nullptr)
    {
        g_dbus_connection_close_sync(m_bus, nullptr, nullptr);
        g_object_unref(m_bus);
    }
    if (m_daemon)
        StopChild(*m_daemon);
}

bool MockBus::Start(std::string& error)
{
    const std::string socket = m_dir.File("bus_socket");
    m_address = "unix:path=" + socket;
    // The session bus's configuration lets anyone own any name.
    m_daemon = std::make_unique<ChildProcess>(
        std::vector<std::string>{"/usr/bin/dbus-daemon", "--session", "--nofork", "--address=" + m_address},
        ChildProcess::Env{}, m_dir.File("daemon.txt"));
    if (!m_daemon->Start() || !WaitUntil([&] { return FileExists(socket); }, 10000))
    {
        error = "dbus-daemon did not start: " + m_daemon->Errors();
        return false;
    }
    GError* gerror = nullptr;
    m_bus = g_dbus_connection_new_for_address_sync(
        m_address.c_str(),
        GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                             G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &gerror);
    if (m_bus == nullptr)
    {
        error = std::string("connecting to the bus: ") + gerror->message;
        g_error_free(gerror);
        return false;
    }
    return true;
}

bool MockBus::StartMock(const std::string& name, const std::vector<std::string>& arguments, std::string& error)
{
    std::vector<std::string> argv = {PYTHON, "-m", "dbusmock"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    const std::string output = m_dir.File("mock" + std::to_string(m_mocks.size()) + ".txt");
    m_mocks.push_back(std::make_unique<ChildProcess>(
        argv, ChildProcess::Env{{"DBUS_SYSTEM_BUS_ADDRESS", m_address}, {"DBUS_SESSION_BUS_ADDRESS", m_address}},
        output));
    ChildProcess& mock = *m_mocks.back();
    const auto owned = [&] {
        GVariant* reply = nullptr;
        std::string ignored;
        if (!Call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
                  g_variant_new("(s)", name.c_str()), &reply, ignored))
            return false;
        gboolean has = FALSE;
        g_variant_get(reply, "(b)", &has);
        g_variant_unref(reply);
        return has != FALSE;
    };
    if (!mock.Start() || !WaitUntil([&] { return owned() || !mock.Running(); }, 15000) || !owned())
    {
        error = "dbusmock did not take " + name + ": " + mock.Errors();
        return false;
    }
    return true;
}

bool MockBus::CallMock(const std::string& name, const std::string& path, const char* method, GVariant* parameters,
                       std::string& error)
{
    return Call(name.c_str(), path.c_str(), "org.freedesktop.DBus.Mock", method, parameters, error);
}

bool MockBus::Call(const char* name, const char* path, const char* interface, const char* method,
                   GVariant* parameters, std::string& error)
{
    GVariant* reply = nullptr;
    if (!Call(name, path, interface, method, parameters, &reply, error))
        return false;
    g_variant_unref(reply);
    return true;
}

bool MockBus::Call(const char* name, const char* path, const char* interface, const char* method,
                   GVariant* parameters, GVariant** reply, std::string& error)
{
    GError* gerror = nullptr;
    *reply = g_dbus_connection_call_sync(m_bus, name, path, interface, method, parameters, nullptr,
                                         G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, &gerror);
    if (*reply != nullptr)
        return true;
    error = std::string(method) + ": " + gerror->message;
    g_error_free(gerror);
    return false;
}
