#include "campustool/roomreport.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>

namespace {

constexpr size_t COLUMNS = 6;

std::string Dump(const nlohmann::ordered_json& json)
{
    // Names that are not UTF-8 are written with replacement characters.
    return json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

std::array<std::string, COLUMNS> Columns(const std::string& name, const RoomView& room)
{
    return {name,
            room.IsOnline() ? "online" : "offline",
            room.power,
            room.source,
            room.projector.empty() ? "-" : room.projector,
            room.changed.empty() ? "-" : room.changed};
}

} // namespace

bool ProjectorOn(const RoomView& room)
{
    return room.power == "on" || room.power == "warming";
}

std::string ListText(const CampusView& view, bool onOnly)
{
    std::vector<std::array<std::string, COLUMNS>> rows;
    std::array<size_t, COLUMNS> widths = {};
    for (const auto& [name, room] : view.Rooms())
    {
        if (onOnly && !ProjectorOn(room))
            continue;
        rows.push_back(Columns(name, room));
        for (size_t column = 0; column < COLUMNS; ++column)
            widths[column] = std::max(widths[column], rows.back()[column].size());
    }
    std::string text;
    for (const auto& row : rows)
    {
        for (size_t column = 0; column + 1 < COLUMNS; ++column)
            text += row[column] + std::string(widths[column] - row[column].size() + 2, ' ');
        text += row[COLUMNS - 1] + "\n";
    }
    return text;
}

std::string ListJson(const CampusView& view, bool onOnly)
{
    nlohmann::ordered_json rooms = nlohmann::ordered_json::array();
    for (const auto& [name, room] : view.Rooms())
        if (!onOnly || ProjectorOn(room))
            rooms.push_back({{"room", name},
                             {"status", room.IsOnline() ? "online" : "offline"},
                             {"power", room.power},
                             {"source", room.source},
                             {"projector", room.projector},
                             {"changed", room.changed}});
    return Dump({{"rooms", rooms}});
}

std::string PowerText(const std::vector<PowerOutcome>& outcomes)
{
    std::string text;
    for (const PowerOutcome& outcome : outcomes)
        if (!outcome.why.empty())
            text += outcome.room + ": " + outcome.why + "\n";
    return text;
}

std::string PowerJson(const std::string& value, const std::vector<PowerOutcome>& outcomes)
{
    nlohmann::ordered_json rooms = nlohmann::ordered_json::array();
    for (const PowerOutcome& outcome : outcomes)
    {
        nlohmann::ordered_json room = {{"room", outcome.room}, {"followed", outcome.why.empty()}};
        if (!outcome.why.empty())
            room["reason"] = outcome.why;
        rooms.push_back(room);
    }
    return Dump({{"command", "power"}, {"value", value}, {"rooms", rooms}});
}

std::string ErrorJson(const std::string& reason)
{
    return Dump({{"error", reason}});
}
