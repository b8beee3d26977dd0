#pragma once

#include "comm/panelcomm.h"

#include <cstdint>

struct SerialPort;

// Size of the buffer that holds the names of the ports to search.
constexpr int PORT_LIST_SIZE = 128;

// Fills buffer with the system's serial port names (each followed by a NUL;
// a name that no longer fits is skipped). Returns their count, or -1 when
// the system's list is unavailable.
int ListSerialPorts(char* buffer, int size);

// The serial search used by Connect: probes every listed port in turn.
// 0 or -5; on success the link uses the port that answered.
CommResult FindSerialPanel(PanelComm& comm);

// Sends count request bytes (none when 0) and polls for the answer: before
// each of at most pollCount reads it sleeps pollMs; a NAK or silence gets
// one more attempt. Returns the number of bytes received (0: nothing) or -5
// after a logged I/O error.
int Transfer(SerialPort* port, const uint8_t* request, int count, uint8_t* reply, int toRead, int pollMs,
             int pollCount);
