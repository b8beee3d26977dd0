#include "mainframe/panelstatus.h"

PanelStatus thePanelStatus;

void PanelStatus::FromStatusReply(const uint8_t reply[6])
{
    powerState = static_cast<int8_t>(reply[0]);
    reportedPower = powerState;
    sourceState = static_cast<int8_t>(reply[1]);
    volumeLevel = static_cast<int8_t>(reply[2]);
    muteState = static_cast<int8_t>(reply[3]);
    blankState = static_cast<int8_t>(reply[4]);
    micLevel = static_cast<int8_t>(reply[5]);
}
