#include "session/shutdowninhibitor.h"

#include "log/log.h"
#include "session/sessionevents.h"

#include <gio/gio.h>
#include <gio/gunixfdlist.h>

#include <initializer_list>

#include <unistd.h>

namespace {

const char* const LOGIN_NAME = "org.freedesktop.login1";
const char* const LOGIN_PATH = "/org/freedesktop/login1";
const char* const LOGIN_MANAGER = "org.freedesktop.login1.Manager";

// The value of a logind "PrepareFor..." signal; false for another shape.
bool StartingOf(GVariant* parameters, bool& starting)
{
    if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(b)")))
        return false;
    gboolean value = FALSE;
    g_variant_get(parameters, "(b)", &value);
    starting = value != FALSE;
    return true;
}

// A result for an object that no longer exists: the call was cancelled.
bool Cancelled(const GError* error)
{
    return g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
}

} // namespace

ShutdownInhibitor::ShutdownInhibitor(SessionEventsReceiver& receiver) : m_receiver(receiver)
{
}

ShutdownInhibitor::~ShutdownInhibitor()
{
    if (m_cancel != nullptr)
    {
        g_cancellable_cancel(m_cancel); // pending answers then never reach this object
        g_object_unref(m_cancel);
    }
    if (m_bus != nullptr)
    {
        for (unsigned subscription : {m_subscription, m_sleepSubscription})
            if (subscription != 0)
                g_dbus_connection_signal_unsubscribe(m_bus, subscription);
        g_object_unref(m_bus);
    }
    ReleaseLock();
}

void ShutdownInhibitor::Start()
{
    if (m_cancel != nullptr)
        return;
    m_cancel = g_cancellable_new();
    g_bus_get(G_BUS_TYPE_SYSTEM, m_cancel, OnBus, this);
}

void ShutdownInhibitor::OnBus(GObject*, GAsyncResult* result, void* data)
{
    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_finish(result, &error);
    if (bus == nullptr)
    {
        if (!Cancelled(error))
            theLog->Print(Log::LEVEL_DEBUG2, "no system bus, shutdown is not seen: %s", error->message);
        g_error_free(error);
        return;
    }
    ShutdownInhibitor* self = static_cast<ShutdownInhibitor*>(data);
    self->m_bus = bus;
    self->m_subscription = g_dbus_connection_signal_subscribe(
        bus, LOGIN_NAME, LOGIN_MANAGER, "PrepareForShutdown", LOGIN_PATH, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
        OnPrepareForShutdown, self, nullptr);
    self->m_sleepSubscription =
        g_dbus_connection_signal_subscribe(bus, LOGIN_NAME, LOGIN_MANAGER, "PrepareForSleep", LOGIN_PATH, nullptr,
                                           G_DBUS_SIGNAL_FLAGS_NONE, OnPrepareForSleep, self, nullptr);
    self->TakeLock();
}

void ShutdownInhibitor::TakeLock()
{
    if (m_bus == nullptr || m_taking || m_lockFd >= 0)
        return;
    m_taking = true;
    g_dbus_connection_call_with_unix_fd_list(
        m_bus, LOGIN_NAME, LOGIN_PATH, LOGIN_MANAGER, "Inhibit",
        g_variant_new("(ssss)", "shutdown", "Aulavox Kesto", "Turning the room's projector off", "delay"),
        G_VARIANT_TYPE("(h)"), G_DBUS_CALL_FLAGS_NONE, -1, nullptr, m_cancel, OnLock, this);
}

void ShutdownInhibitor::OnLock(GObject* source, GAsyncResult* result, void* data)
{
    GError* error = nullptr;
    GUnixFDList* fds = nullptr;
    GVariant* reply =
        g_dbus_connection_call_with_unix_fd_list_finish(G_DBUS_CONNECTION(source), &fds, result, &error);
    if (reply == nullptr)
    {
        if (!Cancelled(error))
        {
            ShutdownInhibitor* self = static_cast<ShutdownInhibitor*>(data);
            self->m_taking = false;
            theLog->Print(Log::LEVEL_DEBUG2, "no shutdown lock from logind: %s", error->message);
        }
        g_error_free(error);
        return;
    }
    ShutdownInhibitor* self = static_cast<ShutdownInhibitor*>(data);
    self->m_taking = false;
    gint32 index = -1;
    g_variant_get(reply, "(h)", &index);
    g_variant_unref(reply);
    int fd = -1;
    if (fds != nullptr && index >= 0 && index < g_unix_fd_list_get_length(fds))
        fd = g_unix_fd_list_get(fds, index, &error); // a copy of its own
    if (fds != nullptr)
        g_object_unref(fds);
    if (fd < 0)
    {
        theLog->Print(Log::LEVEL_WARNING, "logind's shutdown lock came without a descriptor%s%s",
                      error ? ": " : "", error ? error->message : "");
        if (error != nullptr)
            g_error_free(error);
        return;
    }
    self->m_lockFd = fd;
    if (!self->m_reported)
        theLog->Print(Log::LEVEL_DEBUG2, "logind in use: a shutdown waits for the projector");
    self->m_reported = true;
}

void ShutdownInhibitor::OnPrepareForShutdown(GDBusConnection*, const char*, const char*, const char*, const char*,
                                             GVariant* parameters, void* data)
{
    bool starting = false;
    if (!StartingOf(parameters, starting))
        return;
    ShutdownInhibitor* self = static_cast<ShutdownInhibitor*>(data);
    if (starting)
    {
        self->m_receiver.OnMachineShutdown();
        self->ReleaseLock(); // the shutdown goes on at once
    }
    else
    {
        self->TakeLock(); // called off: be ready for the next one
    }
}

void ShutdownInhibitor::OnPrepareForSleep(GDBusConnection*, const char*, const char*, const char*, const char*,
                                          GVariant* parameters, void* data)
{
    bool starting = false;
    if (StartingOf(parameters, starting) && !starting)
        static_cast<ShutdownInhibitor*>(data)->m_receiver.OnMachineResumed();
}

void ShutdownInhibitor::ReleaseLock()
{
    if (m_lockFd >= 0 && close(m_lockFd) != 0)
        theLog->Print(Log::LEVEL_WARNING, "closing logind's shutdown lock failed");
    m_lockFd = -1;
}
