#include "platform/dbuscall.h"

#include <gio/gio.h>

#include <cstdlib>

namespace {

constexpr int CALL_TIMEOUT_MS = 1000;

// Takes the error's text and frees it.
std::string Reason(GError* error)
{
    std::string text = error != nullptr ? error->message : "no reason given";
    if (error != nullptr)
        g_error_free(error);
    return text;
}

} // namespace

GDBusConnection* OpenBus(bool systemBus, std::string& why)
{
    if (!systemBus && getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr)
    {
        why = "no session bus (DBUS_SESSION_BUS_ADDRESS is not set)";
        return nullptr;
    }
    GError* error = nullptr;
    gchar* address =
        g_dbus_address_get_for_bus_sync(systemBus ? G_BUS_TYPE_SYSTEM : G_BUS_TYPE_SESSION, nullptr, &error);
    if (address == nullptr)
    {
        why = Reason(error);
        return nullptr;
    }
    GDBusConnection* bus = g_dbus_connection_new_for_address_sync(
        address,
        GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                             G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &error);
    g_free(address);
    if (bus == nullptr)
        why = Reason(error);
    return bus;
}

void CloseBus(GDBusConnection* bus)
{
    if (bus == nullptr)
        return;
    g_dbus_connection_close_sync(bus, nullptr, nullptr); // an already closed one is fine
    g_object_unref(bus);
}

GVariant* CallBus(GDBusConnection* bus, const char* name, const char* path, const char* interface,
                  const char* method, GVariant* parameters, const GVariantType* replyType, std::string& why)
{
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(bus, name, path, interface, method, parameters, replyType,
                                                  G_DBUS_CALL_FLAGS_NO_AUTO_START, CALL_TIMEOUT_MS, nullptr, &error);
    if (reply == nullptr)
        why = Reason(error);
    return reply;
}
