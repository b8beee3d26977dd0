#pragma once

#include <string>
#include <utility>
#include <vector>

// Home Assistant's MQTT discovery for one room: one device ("aulavox-ROOM",
// named after the room, the projector as its model) with the entities
// "Projector" (switch), "Source" (select), "Mute" (switch), "Freeze" and
// "Blank" (binary sensors) and "Link" (sensor). They read the room's state
// topic, command through its set topics and take its status topic as their
// availability.
struct DiscoveryRoom
{
    std::string discoveryPrefix; // "homeassistant"
    std::string base;            // PREFIX/ROOM
    std::string room;
    std::string projector;
    std::string version;
};

// Config topic and retained payload of each entity.
std::vector<std::pair<std::string, std::string>> DiscoveryConfigs(const DiscoveryRoom& room);
