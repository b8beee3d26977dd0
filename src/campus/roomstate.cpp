#include "campus/roomstate.h"

#include <nlohmann/json.hpp>

#include <ctime>

bool RoomState::operator==(const RoomState& other) const
{
    return power == other.power && source == other.source && mute == other.mute && freeze == other.freeze &&
           blank == other.blank && mic == other.mic && projector == other.projector && link == other.link;
}

const char* PowerName(int powerState)
{
    switch (powerState)
    {
    case 1:
        return "on";
    case 2:
        return "off";
    case 3:
        return "warming";
    case 4:
        return "cooling";
    default:
        return "unknown";
    }
}

const char* SourceName(int sourceState)
{
    switch (sourceState)
    {
    case 1:
        return "comp1";
    case 2:
        return "comp2";
    case 3:
        return "vcr";
    default:
        return "unknown";
    }
}

const char* MicName(int micLevel)
{
    static const char* const names[] = {"off", "low", "med", "high"};
    return micLevel >= 0 && micLevel < 4 ? names[micLevel] : "off";
}

std::string RoomStateJson(const RoomState& state, const std::string& version, const std::string& changed)
{
    const nlohmann::json json = {
        {"power", state.power}, {"source", state.source},       {"mute", state.mute},
        {"freeze", state.freeze}, {"blank", state.blank},       {"mic", state.mic},
        {"projector", state.projector}, {"link", state.link},  {"version", version},
        {"changed", changed},
    };
    // A projector name that is not UTF-8 is written with replacement characters.
    return json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string IsoTimeNow()
{
    const time_t now = time(nullptr);
    struct tm local = {};
    char text[40] = {};
    if (localtime_r(&now, &local) == nullptr || strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local) == 0)
        return "";
    std::string iso = text; // +0100 becomes +01:00
    if (iso.size() >= 5)
        iso.insert(iso.size() - 2, ":");
    return iso;
}
