#include "support/gui/fake_login_manager.h"

#include <gio/gio.h>
#include <gio/gunixfdlist.h>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

const char* const INTERFACE_XML = R"(<node>
  <interface name="org.freedesktop.login1.Manager">
    <method name="Inhibit">
      <arg name="what" type="s" direction="in"/>
      <arg name="who" type="s" direction="in"/>
      <arg name="why" type="s" direction="in"/>
      <arg name="mode" type="s" direction="in"/>
      <arg name="fd" type="h" direction="out"/>
    </method>
  </interface>
</node>)";

} // namespace

FakeLoginManager::~FakeLoginManager()
{
    if (m_bus != nullptr)
    {
        g_dbus_connection_close_sync(m_bus, nullptr, nullptr);
        g_object_unref(m_bus);
    }
    if (m_lockReadEnd >= 0)
        close(m_lockReadEnd);
    if (m_daemon && m_daemon->Signal(SIGTERM))
        m_daemon->Wait(5000);
}

bool FakeLoginManager::Start(std::string& error)
{
    const std::string socket = m_dir.File("system_bus_socket");
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
    const auto failed = [&](const char* step) {
        error = std::string(step) + ": " + (gerror != nullptr ? gerror->message : "refused");
        if (gerror != nullptr)
            g_error_free(gerror);
        return false;
    };
    m_bus = g_dbus_connection_new_for_address_sync(
        m_address.c_str(),
        GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                             G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &gerror);
    if (m_bus == nullptr)
        return failed("connecting to the bus");
    GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(INTERFACE_XML, &gerror);
    if (node == nullptr)
        return failed("interface");
    // Only Inhibit is declared: the bus library refuses any other method itself.
    static const GDBusInterfaceVTable vtable = {OnMethodCall, nullptr, nullptr, {}};
    const unsigned registration = g_dbus_connection_register_object(m_bus, "/org/freedesktop/login1",
                                                                    node->interfaces[0], &vtable, this, nullptr, &gerror);
    g_dbus_node_info_unref(node);
    if (registration == 0)
        return failed("registering");
    GVariant* reply = g_dbus_connection_call_sync(
        m_bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
        g_variant_new("(su)", "org.freedesktop.login1", 4u /* do not queue */), G_VARIANT_TYPE("(u)"),
        G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, &gerror);
    if (reply == nullptr)
        return failed("RequestName");
    guint32 result = 0;
    g_variant_get(reply, "(u)", &result);
    g_variant_unref(reply);
    return result == 1 || failed("taking the name org.freedesktop.login1");
}

void FakeLoginManager::OnMethodCall(GDBusConnection*, const char*, const char*, const char*, const char*,
                                    GVariant* parameters, GDBusMethodInvocation* invocation, void* data)
{
    FakeLoginManager* self = static_cast<FakeLoginManager*>(data);
    const char *what = nullptr, *who = nullptr, *why = nullptr, *mode = nullptr;
    g_variant_get(parameters, "(&s&s&s&s)", &what, &who, &why, &mode);
    ++self->inhibitCalls;
    self->lastInhibit = std::string(what) + "|" + who + "|" + why + "|" + mode;
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0)
        return g_dbus_method_invocation_return_dbus_error(invocation, "org.freedesktop.DBus.Error.Failed", "pipe");
    if (self->m_lockReadEnd >= 0)
        close(self->m_lockReadEnd);
    self->m_lockReadEnd = ends[0];
    GUnixFDList* fds = g_unix_fd_list_new();
    const int index = g_unix_fd_list_append(fds, ends[1], nullptr); // a copy goes out
    close(ends[1]);
    g_dbus_method_invocation_return_value_with_unix_fd_list(invocation, g_variant_new("(h)", index), fds);
    g_object_unref(fds);
}

void FakeLoginManager::Serve()
{
    while (g_main_context_iteration(nullptr, FALSE))
    {
    }
}

bool FakeLoginManager::EmitPrepare(const char* signal, bool starting)
{
    return g_dbus_connection_emit_signal(m_bus, nullptr, "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                                         signal, g_variant_new("(b)", starting ? TRUE : FALSE),
                                         nullptr) &&
           g_dbus_connection_flush_sync(m_bus, nullptr, nullptr);
}

bool FakeLoginManager::LockHeld()
{
    // Readable with nothing to read, or hung up: every copy of the other end is closed.
    pollfd fd = {m_lockReadEnd, POLLIN, 0};
    return m_lockReadEnd >= 0 && poll(&fd, 1, 0) == 0;
}
