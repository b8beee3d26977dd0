#pragma once

#include <cstdint>

// One open serial port: raw, 8 data bits, no parity, one stop bit, no flow
// control, reads that never block. Opened exclusively.
struct SerialPort;

// Opens the port at path (a device such as /dev/ttyUSB0, or a
// pseudo-terminal) at 9600 8N1. nullptr when it cannot be opened or set up;
// errno then says why (EBUSY or EWOULDBLOCK: another program holds it).
SerialPort* OpenSerialPort(const char* path);
// Puts back the settings found at opening and closes the port; accepts nullptr.
void CloseSerialPort(SerialPort* port);
// Baud: 110 .. 256000 (the usual rates); parity 'E', 'M', 'N', 'O', 'S'
// (either case); data bits 5..8; stop bits 1 or 2. A value outside these
// leaves the port unchanged and gives 0; otherwise 0 when applied or the
// system's error code.
int SetLineSettings(SerialPort* port, int baud, char parity, int dataBits, int stopBits);
// Discards both the transmit and the receive queue.
void PurgeSerialPort(SerialPort* port);
// Writes count bytes; returns count, or -1 on failure.
int WriteSerialPort(SerialPort* port, const uint8_t* data, int count);
// Reads what is queued, at most max bytes, without waiting; returns the
// number read (0 when nothing waits) or -1 on failure.
int ReadSerialPort(SerialPort* port, uint8_t* buffer, int max);
// The path the port was opened with.
const char* SerialPortPath(const SerialPort* port);
