#pragma once

#include "comm/packet.h"

#include <cstdint>

// What the control panel last reported or acknowledged. Filled in one piece
// from the status reply and field by field after each successful command.
struct PanelStatus
{
    int8_t powerState = 0;  // PANEL_POWER_ON or _OFF (or these + PANEL_POWER_REPEATED); 0 until known
    int8_t sourceState = 0; // PANEL_SOURCE_...; 0 until known
    int8_t volumeLevel = 0; // 0 to 32
    int8_t muteState = 0;   // 1 muted
    int8_t blankState = 0;  // 1 picture blanked
    int8_t micLevel = 0;    // 0 "Off", 1 "Low", 2 "Med", 3 "High"
    // The power as the last status reply said it: 3 warming and 4 cooling
    // survive here after the window has turned them into 1 and 2.
    int8_t reportedPower = 0;

    // The six bytes of a status reply, in the order of the fields above.
    void FromStatusReply(const uint8_t reply[6]);
};

// The one remembered status; all zero when the program starts.
extern PanelStatus thePanelStatus;
