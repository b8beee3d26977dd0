#pragma once

#include <string>

// What a room shows the campus, as plain values.
struct RoomState
{
    std::string power = "unknown";  // on, off, warming, cooling, unknown
    std::string source = "unknown"; // comp1, vcr, comp2, unknown
    bool mute = false;
    bool freeze = false;
    bool blank = false;
    std::string mic = "off"; // the microphone level: off, low, med, high
    std::string projector;   // the chosen projector's name, UTF-8
    std::string link = "none"; // "serial /dev/ttyUSB0", "i2c /dev/i2c-3", "demo", "none"

    bool operator==(const RoomState& other) const;
    bool operator!=(const RoomState& other) const { return !(*this == other); }
};

// The names the state uses for the control panel's numbers: power 1 on,
// 2 off, 3 warming, 4 cooling; source 1 "Comp 1", 2 "Comp 2/Doc", 3 "VCR/DVD";
// microphone 0 to 3.
const char* PowerName(int powerState);
const char* SourceName(int sourceState);
const char* MicName(int micLevel);

// The retained state message: the fields above with the program's version
// and the ISO-8601 time of the last change.
std::string RoomStateJson(const RoomState& state, const std::string& version, const std::string& changed);

// The local time in ISO-8601 with its offset, "2026-12-07T14:05:09+01:00".
std::string IsoTimeNow();
