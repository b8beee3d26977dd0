#pragma once

#include "comm/panelcomm.h"

#include <cstdint>

class DdcBus;

// I2C address of the control panel on the display-data channel.
constexpr uint8_t PANEL_I2C_ADDRESS = 0x51;
// The bus carries at most this many bytes per transfer.
constexpr int MAX_I2C_TRANSFER = 255;

// The I2C search used by Connect when no serial port leads to a control
// panel. 0 or -5; on success the link uses comm's I2C device.
CommResult FindI2CPanel(PanelComm& comm);

// Sends count request bytes (none when 0) and polls for the answer: before
// each of at most pollCount reads it sleeps pollMs. Returns the number of
// bytes received (0: nothing) or -5 after a logged I/O error.
int Transfer(DdcBus& bus, int32_t handle, const uint8_t* request, int count, uint8_t* reply, int toRead, int pollMs,
             int pollCount);

// Makes the I2C link available now and at boot, every time: a link that
// already works gets the default driver installed as well, so that it also
// works after the next boot. path names a module file to load instead of
// the default one; returns 0 or the bus's error code.
int InstallI2CDriver(DdcBus& bus, const char* path);
// Undoes the installation; 0 or the bus's error code.
int UninstallI2CDriver(DdcBus& bus);
