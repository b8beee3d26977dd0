#pragma once

#include <string>

typedef struct _GDBusConnection GDBusConnection;
typedef struct _GVariant GVariant;
typedef struct _GVariantType GVariantType;

// A connection of its own to the system bus (DBUS_SYSTEM_BUS_ADDRESS when
// set) or to the session bus; null with the reason when there is none. The
// session bus is only the one the session names in DBUS_SESSION_BUS_ADDRESS:
// no bus is started for the program. Closed and freed by CloseBus.
GDBusConnection* OpenBus(bool systemBus, std::string& why);
void CloseBus(GDBusConnection* bus);

// One method call that waits at most a second for its answer and never
// starts the service; the reply (to be freed with g_variant_unref), or null
// with the reason.
GVariant* CallBus(GDBusConnection* bus, const char* name, const char* path, const char* interface,
                  const char* method, GVariant* parameters, const GVariantType* replyType, std::string& why);
