#include "campustool/campusview.h"

#include <nlohmann/json.hpp>

namespace {

// A text member of a JSON object; the fallback for anything else.
std::string Text(const nlohmann::json& object, const char* name, const std::string& fallback)
{
    const auto member = object.find(name);
    return member != object.end() && member->is_string() ? member->get<std::string>() : fallback;
}

void TakeState(RoomView& room, const std::string& payload)
{
    const nlohmann::json state = nlohmann::json::parse(payload, nullptr, false);
    const RoomView blank;
    room.hasState = state.is_object();
    room.power = room.hasState ? Text(state, "power", blank.power) : blank.power;
    room.source = room.hasState ? Text(state, "source", blank.source) : blank.source;
    room.projector = room.hasState ? Text(state, "projector", "") : "";
    room.changed = room.hasState ? Text(state, "changed", "") : "";
}

void TakeEvent(RoomView& room, const std::string& payload)
{
    const nlohmann::json event = nlohmann::json::parse(payload, nullptr, false);
    if (!event.is_object() || Text(event, "event", "") != "command" || Text(event, "command", "") != "power")
        return;
    room.answerResult = Text(event, "result", "");
    room.answerValue = Text(event, "value", "");
    room.answerReason = Text(event, "reason", "");
}

} // namespace

void CampusView::Take(const std::string& topic, const std::string& payload)
{
    if (topic.size() <= m_prefix.size() + 1 || topic.compare(0, m_prefix.size(), m_prefix) != 0 ||
        topic[m_prefix.size()] != '/')
        return;
    const size_t roomStart = m_prefix.size() + 1;
    const size_t slash = topic.find('/', roomStart);
    if (slash == std::string::npos || slash == roomStart)
        return;
    const std::string name = topic.substr(roomStart, slash - roomStart);
    const std::string leaf = topic.substr(slash + 1);
    if (name == "all" || (leaf != "status" && leaf != "state" && leaf != "event"))
        return;
    if (payload.empty() && m_rooms.count(name) == 0)
        return; // a retained message removed: nothing to learn
    RoomView& room = m_rooms[name];
    if (leaf == "status")
        room.status = payload;
    else if (leaf == "state")
        TakeState(room, payload);
    else
        TakeEvent(room, payload);
}

void CampusView::ForgetAnswers()
{
    for (auto& [name, room] : m_rooms)
        room.answerResult.clear();
}
