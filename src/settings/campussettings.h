#pragma once

#include <wx/confbase.h>

#include <string>

// The "[Campus]" group: how this room reports to the campus broker.
#define KEY_CAMPUS_ENABLED "/Campus/Enabled"
#define KEY_CAMPUS_BROKER "/Campus/Broker"
#define KEY_CAMPUS_ROOM "/Campus/Room"
#define KEY_CAMPUS_USER "/Campus/User"
#define KEY_CAMPUS_PASSWORD "/Campus/Password"
#define KEY_CAMPUS_CAFILE "/Campus/CAFile"
#define KEY_CAMPUS_ALLOWCOMMANDS "/Campus/AllowCommands"
#define KEY_CAMPUS_PREFIX "/Campus/Prefix"
#define KEY_CAMPUS_DISCOVERY "/Campus/Discovery"
#define KEY_CAMPUS_DISCOVERYPREFIX "/Campus/DiscoveryPrefix"

constexpr bool DEFAULT_CAMPUS_ENABLED = false;
constexpr bool DEFAULT_CAMPUS_ALLOW_COMMANDS = false;
constexpr bool DEFAULT_CAMPUS_DISCOVERY = true;
extern const char* const DEFAULT_CAMPUS_DISCOVERY_PREFIX;
extern const char* const DEFAULT_CAMPUS_BROKER;
extern const char* const DEFAULT_CAMPUS_PREFIX;

// The settings as plain UTF-8 values, so that the bridge needs no toolkit.
struct CampusSettings
{
    bool enabled = DEFAULT_CAMPUS_ENABLED;
    std::string broker = DEFAULT_CAMPUS_BROKER;
    std::string room; // empty: the host name
    std::string user;
    std::string password;
    std::string caFile; // empty: the system's certificates
    bool allowCommands = DEFAULT_CAMPUS_ALLOW_COMMANDS;
    std::string prefix = DEFAULT_CAMPUS_PREFIX;
    bool discovery = DEFAULT_CAMPUS_DISCOVERY; // announce the room to Home Assistant
    std::string discoveryPrefix = DEFAULT_CAMPUS_DISCOVERY_PREFIX;
};

// This machine's host name, the room's name when none is set.
std::string DefaultRoomName();

// Records the missing keys with their defaults (recording must be on).
void RecordCampusDefaults(wxConfigBase& store);
// Reads the group; a missing key gives its default, an empty room the host name.
CampusSettings ReadCampusSettings(const wxConfigBase* store);
// Writes every key of the group (the room as given, empty included).
void WriteCampusSettings(wxConfigBase& store, const CampusSettings& settings);
