#include "settings/campussettings.h"

#include <unistd.h>

const char* const DEFAULT_CAMPUS_BROKER = "mqtt://localhost:1883";
const char* const DEFAULT_CAMPUS_PREFIX = "aulavox";
const char* const DEFAULT_CAMPUS_DISCOVERY_PREFIX = "homeassistant";

namespace {

std::string Text(const wxConfigBase* store, const char* key, const std::string& fallback)
{
    wxString value;
    if (store == nullptr || !store->Read(key, &value))
        return fallback;
    return value.utf8_string();
}

bool Flag(const wxConfigBase* store, const char* key, bool fallback)
{
    long value = 0;
    if (store == nullptr || !store->HasEntry(key))
        return fallback;
    store->Read(key, &value);
    return value != 0;
}

} // namespace

std::string DefaultRoomName()
{
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return "room";
    return name;
}

void RecordCampusDefaults(wxConfigBase& store)
{
    wxString text;
    bool flag = false;
    store.Read(KEY_CAMPUS_ENABLED, &flag, DEFAULT_CAMPUS_ENABLED);
    store.Read(KEY_CAMPUS_BROKER, &text, wxString(DEFAULT_CAMPUS_BROKER));
    // Empty stands for the host name, so that a copied settings file does
    // not make two rooms of one name.
    store.Read(KEY_CAMPUS_ROOM, &text, wxString());
    store.Read(KEY_CAMPUS_USER, &text, wxString());
    store.Read(KEY_CAMPUS_PASSWORD, &text, wxString());
    store.Read(KEY_CAMPUS_CAFILE, &text, wxString());
    store.Read(KEY_CAMPUS_ALLOWCOMMANDS, &flag, DEFAULT_CAMPUS_ALLOW_COMMANDS);
    store.Read(KEY_CAMPUS_PREFIX, &text, wxString(DEFAULT_CAMPUS_PREFIX));
    store.Read(KEY_CAMPUS_DISCOVERY, &flag, DEFAULT_CAMPUS_DISCOVERY);
    store.Read(KEY_CAMPUS_DISCOVERYPREFIX, &text, wxString(DEFAULT_CAMPUS_DISCOVERY_PREFIX));
}

CampusSettings ReadCampusSettings(const wxConfigBase* store)
{
    CampusSettings settings;
    settings.enabled = Flag(store, KEY_CAMPUS_ENABLED, DEFAULT_CAMPUS_ENABLED);
    settings.broker = Text(store, KEY_CAMPUS_BROKER, DEFAULT_CAMPUS_BROKER);
    settings.room = Text(store, KEY_CAMPUS_ROOM, "");
    if (settings.room.empty())
        settings.room = DefaultRoomName();
    settings.user = Text(store, KEY_CAMPUS_USER, "");
    settings.password = Text(store, KEY_CAMPUS_PASSWORD, "");
    settings.caFile = Text(store, KEY_CAMPUS_CAFILE, "");
    settings.allowCommands = Flag(store, KEY_CAMPUS_ALLOWCOMMANDS, DEFAULT_CAMPUS_ALLOW_COMMANDS);
    settings.prefix = Text(store, KEY_CAMPUS_PREFIX, DEFAULT_CAMPUS_PREFIX);
    settings.discovery = Flag(store, KEY_CAMPUS_DISCOVERY, DEFAULT_CAMPUS_DISCOVERY);
    settings.discoveryPrefix = Text(store, KEY_CAMPUS_DISCOVERYPREFIX, DEFAULT_CAMPUS_DISCOVERY_PREFIX);
    return settings;
}

void WriteCampusSettings(wxConfigBase& store, const CampusSettings& settings)
{
    store.Write(KEY_CAMPUS_ENABLED, settings.enabled);
    store.Write(KEY_CAMPUS_BROKER, wxString::FromUTF8(settings.broker));
    store.Write(KEY_CAMPUS_ROOM, wxString::FromUTF8(settings.room));
    store.Write(KEY_CAMPUS_USER, wxString::FromUTF8(settings.user));
    store.Write(KEY_CAMPUS_PASSWORD, wxString::FromUTF8(settings.password));
    store.Write(KEY_CAMPUS_CAFILE, wxString::FromUTF8(settings.caFile));
    store.Write(KEY_CAMPUS_ALLOWCOMMANDS, settings.allowCommands);
    store.Write(KEY_CAMPUS_PREFIX, wxString::FromUTF8(settings.prefix));
    store.Write(KEY_CAMPUS_DISCOVERY, settings.discovery);
    store.Write(KEY_CAMPUS_DISCOVERYPREFIX, wxString::FromUTF8(settings.discoveryPrefix));
}
