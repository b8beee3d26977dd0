#pragma once

#include <cstddef>
#include <string>

// A command from the broker, as a plain value.
struct CampusCommand
{
    enum Kind
    {
        POWER,   // value "ON" or "OFF"
        SOURCE,  // value "comp1", "vcr" or "comp2"
        MUTE,    // value "ON" or "OFF"
        COMMAND, // value: the name of one of the projector's further commands
    };
    Kind kind = POWER;
    std::string value;
    bool allRooms = false; // came through PREFIX/all/set/power
};

// Longest payload a command may have.
constexpr size_t CAMPUS_MAX_PAYLOAD = 1024;

// Reads one message of the command topics PREFIX/ROOM/set/... and
// PREFIX/all/set/power. False, with the reason, for a topic that is no
// command of this room, a payload over 1 KiB, or a value that is not one
// of the command's values; power, mute and source take any letter case.
bool ParseCampusCommand(const std::string& prefix, const std::string& room, const std::string& topic,
                        const void* payload, size_t length, CampusCommand& command, std::string& why);

// The topic name of a command kind: "power", "source", "mute", "command".
const char* CommandTopicName(CampusCommand::Kind kind);
