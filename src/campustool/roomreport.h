#pragma once

#include "campustool/campusview.h"

#include <string>
#include <vector>

// What aulavox-campus prints, as lines or as one JSON document.

// Whether the room's projector is on or warming.
bool ProjectorOn(const RoomView& room);

// One line per room, sorted, its columns aligned: room, online/offline,
// power, source, projector, last change ("-" where nothing is known).
std::string ListText(const CampusView& view, bool onOnly);
// {"rooms": [{"room", "status", "power", "source", "projector", "changed"}, ...]}
std::string ListJson(const CampusView& view, bool onOnly);

// A room a power command was meant for; why is empty when it followed.
struct PowerOutcome
{
    std::string room;
    std::string why;
};

// "ROOM: why" for each room that did not follow.
std::string PowerText(const std::vector<PowerOutcome>& outcomes);
// {"command": "power", "value": "OFF", "rooms": [{"room", "followed", "reason"?}, ...]}
std::string PowerJson(const std::string& value, const std::vector<PowerOutcome>& outcomes);
// {"error": reason}
std::string ErrorJson(const std::string& reason);
