#include "platform/idletime.h"

#include "platform/dbuscall.h"

#include <gio/gio.h>

namespace {

const char* const MONITOR_NAME = "org.gnome.Mutter.IdleMonitor";
const char* const MONITOR_PATH = "/org/gnome/Mutter/IdleMonitor/Core";

long long AskMonitor(GDBusConnection* bus, std::string& why)
{
    GVariant* reply =
        CallBus(bus, MONITOR_NAME, MONITOR_PATH, MONITOR_NAME, "GetIdletime", nullptr, G_VARIANT_TYPE("(t)"), why);
    if (reply == nullptr)
        return -1;
    guint64 idle = 0;
    g_variant_get(reply, "(t)", &idle);
    g_variant_unref(reply);
    return static_cast<long long>(idle);
}

class GnomeIdleTime : public IdleTimeSource
{
public:
    explicit GnomeIdleTime(GDBusConnection* bus) : m_bus(bus) {}
    ~GnomeIdleTime() override { CloseBus(m_bus); }
    GnomeIdleTime(const GnomeIdleTime&) = delete;
    GnomeIdleTime& operator=(const GnomeIdleTime&) = delete;

    long long IdleMilliseconds() override
    {
        std::string why;
        if (m_bus != nullptr && g_dbus_connection_is_closed(m_bus))
        {
            CloseBus(m_bus); // the bus restarted: a new connection on this look
            m_bus = nullptr;
        }
        if (m_bus == nullptr && (m_bus = OpenBus(false, why)) == nullptr)
            return -1;
        return AskMonitor(m_bus, why);
    }

private:
    GDBusConnection* m_bus;
};

} // namespace

std::unique_ptr<IdleTimeSource> OpenGnomeIdleTime(std::string& why)
{
    GDBusConnection* bus = OpenBus(false, why);
    if (bus == nullptr)
        return nullptr;
    auto source = std::make_unique<GnomeIdleTime>(bus);
    if (AskMonitor(bus, why) < 0)
        return nullptr; // not a GNOME session
    return source;
}
