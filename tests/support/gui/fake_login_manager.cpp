#include "support/gui/fake_login_manager.h"

#include <gio/gio.h>

FakeLoginManager::~FakeLoginManager()
{
    if (m_bus != nullptr)
        g_dbus_connection_close_sync(m_bus, nullptr, nullptr), g_object_unref(m_bus);
}

bool FakeLoginManager::Start(std::string& reason)
{
    const bool started = m_daemon.Start() && WaitUntil([&] { // refused until the daemon listens
        m_bus = g_dbus_connection_new_for_address_sync(
            m_address.c_str(),
            GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                 G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, nullptr);
        return m_bus != nullptr;
    }) && StartMock("org.freedesktop.login1", {"--template", "logind"});
    reason = started ? "" : "no bus with logind: " + error + m_daemon.Errors();
    return started;
}

bool FakeLoginManager::StartMock(const char* name, std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), {"/usr/bin/python3", "-m", "dbusmock"});
    m_mocks.push_back(std::make_unique<ChildProcess>(
        arguments, ChildProcess::Env{{"DBUS_SYSTEM_BUS_ADDRESS", m_address}, {"DBUS_SESSION_BUS_ADDRESS", m_address}},
        m_dir.File(name)));
    return m_mocks.back()->Start() && WaitUntil([&] {
               return Call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
                           g_variant_new("(s)", name));
           });
}

GVariant* FakeLoginManager::Ask(const char* name, const char* path, const char* interface, const char* method,
                                GVariant* parameters)
{
    GError* gerror = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(m_bus, name, path, interface, method, parameters, nullptr,
                                                  G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, &gerror);
    if (reply == nullptr)
        error = gerror->message, g_error_free(gerror);
    return reply;
}

GVariant* FakeLoginManager::AskLogind(const char* interface, const char* method, GVariant* parameters)
{
    return Ask("org.freedesktop.login1", "/org/freedesktop/login1", interface, method, parameters);
}

bool FakeLoginManager::Call(const char* name, const char* path, const char* interface, const char* method,
                            GVariant* parameters)
{
    g_autoptr(GVariant) reply = Ask(name, path, interface, method, parameters);
    gboolean answer = reply != nullptr;
    if (reply != nullptr && g_variant_is_of_type(reply, G_VARIANT_TYPE("(b)")))
        g_variant_get(reply, "(b)", &answer);
    return answer != FALSE;
}

void FakeLoginManager::Serve()
{
    g_autoptr(GVariant) reply = AskLogind("org.freedesktop.DBus.Mock", "GetMethodCalls", g_variant_new("(s)", "Inhibit"));
    g_autoptr(GVariant) calls = reply != nullptr ? g_variant_get_child_value(reply, 0) : nullptr;
    inhibitCalls = calls != nullptr ? static_cast<int>(g_variant_n_children(calls)) : 0;
    if (inhibitCalls == 0)
        return;
    g_autoptr(GVariant) last = g_variant_get_child_value(calls, inhibitCalls - 1);
    g_autofree gchar* text = g_variant_print(last, FALSE);
    lastInhibit = text;
}

bool FakeLoginManager::EmitPrepare(const char* signal, bool starting)
{
    return Call("org.freedesktop.login1", "/org/freedesktop/login1", "org.freedesktop.DBus.Mock", "EmitSignal",
                g_variant_new_parsed("('org.freedesktop.login1.Manager', %s, 'b', [<%b>])", signal, starting));
}

bool FakeLoginManager::LockHeld()
{
    // logind forgets an inhibitor once every copy of its descriptor is closed.
    g_autoptr(GVariant) reply = AskLogind("org.freedesktop.login1.Manager", "ListInhibitors", nullptr);
    g_autoptr(GVariant) held = reply != nullptr ? g_variant_get_child_value(reply, 0) : nullptr;
    return held != nullptr && g_variant_n_children(held) > 0;
}
