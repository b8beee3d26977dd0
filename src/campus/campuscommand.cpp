#include "campus/campuscommand.h"

#include "campus/brokeraddress.h"

#include <algorithm>
#include <cctype>

namespace {

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool OneOf(const std::string& value, std::initializer_list<const char*> allowed)
{
    return std::any_of(allowed.begin(), allowed.end(), [&](const char* name) { return value == name; });
}

} // namespace

const char* CommandTopicName(CampusCommand::Kind kind)
{
    switch (kind)
    {
    case CampusCommand::POWER:
        return "power";
    case CampusCommand::SOURCE:
        return "source";
    case CampusCommand::MUTE:
        return "mute";
    case CampusCommand::COMMAND:
        return "command";
    }
    return "";
}

bool ParseCampusCommand(const std::string& prefix, const std::string& room, const std::string& topic,
                        const void* payload, size_t length, CampusCommand& command, std::string& why)
{
    if (length > CAMPUS_MAX_PAYLOAD)
    {
        why = "payload of " + std::to_string(length) + " bytes is too long";
        return false;
    }
    const std::string roomSet = prefix + "/" + room + "/set/";
    const std::string allPower = prefix + "/all/set/power";
    CampusCommand parsed;
    std::string name;
    if (topic == allPower)
    {
        parsed.allRooms = true;
        name = "power";
    }
    else if (topic.size() > roomSet.size() && topic.compare(0, roomSet.size(), roomSet) == 0)
        name = topic.substr(roomSet.size());
    else
    {
        why = "not a command topic of this room";
        return false;
    }

    const std::string text = length == 0 ? std::string() : std::string(static_cast<const char*>(payload), length);
    const std::string value = Lower(text);
    if (name == "power" || name == "mute")
    {
        parsed.kind = name == "power" ? CampusCommand::POWER : CampusCommand::MUTE;
        if (!OneOf(value, {"on", "off"}))
        {
            why = "value must be ON or OFF";
            return false;
        }
        parsed.value = value == "on" ? "ON" : "OFF";
    }
    else if (name == "source")
    {
        parsed.kind = CampusCommand::SOURCE;
        if (!OneOf(value, {"comp1", "vcr", "comp2"}))
        {
            why = "value must be comp1, vcr or comp2";
            return false;
        }
        parsed.value = value;
    }
    else if (name == "command")
    {
        parsed.kind = CampusCommand::COMMAND;
        if (text.empty() || !IsUtf8(text) || text.find('\0') != std::string::npos)
        {
            why = "value must be the UTF-8 name of a command";
            return false;
        }
        parsed.value = text;
    }
    else
    {
        why = "unknown command topic";
        return false;
    }
    command = parsed;
    return true;
}
