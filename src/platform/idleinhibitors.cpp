#include "platform/idleinhibitors.h"

#include "log/log.h"
#include "platform/dbuscall.h"

#include <gio/gio.h>

#include <cstring>

namespace {

// The session manager's inhibition flag for "idle".
constexpr guint32 INHIBIT_IDLE = 8;

// One call on a connection of its own: answers are rare (when the room is
// about to be asked), so nothing is kept between them.
GVariant* Ask(bool systemBus, const char* name, const char* path, const char* interface, const char* method,
              GVariant* parameters, const char* replyType)
{
    std::string why;
    GDBusConnection* bus = OpenBus(systemBus, why);
    GVariant* reply = nullptr;
    if (bus != nullptr)
        reply = CallBus(bus, name, path, interface, method, parameters, G_VARIANT_TYPE(replyType), why);
    else if (parameters != nullptr)
        g_variant_unref(g_variant_ref_sink(parameters)); // the call would have taken it
    CloseBus(bus);
    if (reply == nullptr)
        theLog->Print(Log::LEVEL_DEBUG2, "%s.%s not asked: %s", interface, method, why.c_str());
    return reply;
}

// "shutdown:sleep:idle" holds "idle" as one of its words.
bool ListsIdle(const char* what)
{
    for (const char* word = what; word != nullptr && *word != '\0';)
    {
        const char* end = strchr(word, ':');
        const size_t length = end != nullptr ? size_t(end - word) : strlen(word);
        if (length == 4 && strncmp(word, "idle", 4) == 0)
            return true;
        word = end != nullptr ? end + 1 : nullptr;
    }
    return false;
}

bool LogindBlocksIdle()
{
    GVariant* reply = Ask(true, "org.freedesktop.login1", "/org/freedesktop/login1", "org.freedesktop.DBus.Properties",
                          "Get", g_variant_new("(ss)", "org.freedesktop.login1.Manager", "BlockInhibited"), "(v)");
    if (reply == nullptr)
        return false;
    GVariant* value = nullptr;
    g_variant_get(reply, "(v)", &value);
    const bool blocked = g_variant_is_of_type(value, G_VARIANT_TYPE_STRING) &&
                         ListsIdle(g_variant_get_string(value, nullptr));
    g_variant_unref(value);
    g_variant_unref(reply);
    return blocked;
}

bool SessionManagerInhibitsIdle()
{
    GVariant* reply = Ask(false, "org.gnome.SessionManager", "/org/gnome/SessionManager", "org.gnome.SessionManager",
                          "IsInhibited", g_variant_new("(u)", INHIBIT_IDLE), "(b)");
    if (reply == nullptr)
        return false;
    gboolean inhibited = FALSE;
    g_variant_get(reply, "(b)", &inhibited);
    g_variant_unref(reply);
    return inhibited != FALSE;
}

} // namespace

bool IdlenessInhibited()
{
    return LogindBlocksIdle() || SessionManagerInhibitsIdle();
}
