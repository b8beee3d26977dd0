#include "campus/discovery.h"

#include <nlohmann/json.hpp>

#include <cctype>

namespace {

// Discovery topics take only letters, digits, "_" and "-" as the node's id.
std::string NodeId(const std::string& room)
{
    std::string id = "aulavox-";
    for (unsigned char c : room)
        id += std::isalnum(c) || c == '-' ? static_cast<char>(c) : '_';
    return id;
}

struct Entity
{
    const char* component;
    const char* objectId;
    const char* name;
    const char* valueTemplate;
    const char* command; // the set topic's last level, or null
};

const Entity ENTITIES[] = {
    {"switch", "projector", "Projector", "{{ 'ON' if value_json.power in ['on', 'warming'] else 'OFF' }}", "power"},
    {"select", "source", "Source", "{{ value_json.source }}", "source"},
    {"switch", "mute", "Mute", "{{ 'ON' if value_json.mute else 'OFF' }}", "mute"},
    {"binary_sensor", "freeze", "Freeze", "{{ 'ON' if value_json.freeze else 'OFF' }}", nullptr},
    {"binary_sensor", "blank", "Blank", "{{ 'ON' if value_json.blank else 'OFF' }}", nullptr},
    {"sensor", "link", "Link", "{{ value_json.link }}", nullptr},
};

} // namespace

std::vector<std::pair<std::string, std::string>> DiscoveryConfigs(const DiscoveryRoom& room)
{
    const std::string node = NodeId(room.room);
    const nlohmann::json device = {{"identifiers", {"aulavox-" + room.room}},
                                   {"name", room.room},
                                   {"model", room.projector.empty() ? "none" : room.projector},
                                   {"manufacturer", "AulavoxTech"},
                                   {"sw_version", room.version}};
    std::vector<std::pair<std::string, std::string>> configs;
    for (const Entity& entity : ENTITIES)
    {
        nlohmann::json config = {{"name", entity.name},
                                 {"unique_id", "aulavox-" + room.room + "-" + entity.objectId},
                                 {"state_topic", room.base + "/state"},
                                 {"value_template", entity.valueTemplate},
                                 {"availability_topic", room.base + "/status"},
                                 {"payload_available", "online"},
                                 {"payload_not_available", "offline"},
                                 {"device", device}};
        if (entity.command != nullptr)
            config["command_topic"] = room.base + "/set/" + entity.command;
        if (std::string(entity.component) == "switch")
        {
            config["payload_on"] = "ON";
            config["payload_off"] = "OFF";
            config["state_on"] = "ON";
            config["state_off"] = "OFF";
        }
        else if (std::string(entity.component) == "binary_sensor")
        {
            config["payload_on"] = "ON";
            config["payload_off"] = "OFF";
        }
        else if (std::string(entity.component) == "select")
            config["options"] = {"comp1", "vcr", "comp2"};
        configs.emplace_back(room.discoveryPrefix + "/" + entity.component + "/" + node + "/" + entity.objectId +
                                 "/config",
                             config.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
    }
    return configs;
}
