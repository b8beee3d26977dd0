#pragma once

#include <cstddef>
#include <cstdint>

// Packets on the wire: letter, N (= payload length + 2), payload, CRC-16
// over the first N bytes, most significant byte first. N + 2 bytes in all.

constexpr uint8_t PANEL_ACK = 0x06;
constexpr uint8_t PANEL_NAK = 0x15;
constexpr uint8_t PROBE_LETTER = 'S';
constexpr uint8_t SERIAL_PROBE_ANSWER = 'V';
constexpr int PROBE_ANSWER_SIZE = 8;
constexpr int PROBE_PACKET_SIZE = 4;

// The values of the power and source settings, as sent and as the status
// reply gives them back.
constexpr uint8_t PANEL_POWER_ON = 1;
constexpr uint8_t PANEL_POWER_OFF = 2;
// The status may report the power as 3 or 4: on or off once more.
constexpr uint8_t PANEL_POWER_REPEATED = 2;
constexpr uint8_t PANEL_SOURCE_COMP1 = 1; // "Comp 1"
constexpr uint8_t PANEL_SOURCE_COMP2 = 2; // "Comp 2/Doc"
constexpr uint8_t PANEL_SOURCE_VCR = 3;   // "VCR/DVD"

// CRC-16, polynomial 0x8005, initial value 0, most significant bit first,
// no reflection, no final XOR.
uint16_t Crc16(const uint8_t* data, size_t count);

// Computes the CRC over the packet's first N bytes (N from byte 1), tells
// whether bytes N and N+1 already hold it, and then writes it there. size is
// what the buffer really holds: when N + 2 exceeds it (or N < 2) nothing is
// read or written and false is returned. computed receives the CRC when it
// could be computed.
bool CheckAndSetCrc(uint8_t* packet, size_t size, uint16_t* computed = nullptr);

// Checks the control panel's answer to the probe: eight bytes, the expected
// letter, length byte 6 and a matching CRC. Logs the first check that fails
// (at Debug2); a wrong letter is logged by logWrongLetter, whose wording
// differs between the links. True when the answer passes.
bool CheckProbeAnswer(uint8_t* answer, int count, uint8_t letter, void (*logWrongLetter)(uint8_t received));

// What a received reply packet is worth.
enum ReplyCheck
{
    REPLY_GOOD,      // *payloadSize payload bytes start at offset 2
    REPLY_MALFORMED, // shorter than 5 bytes, or a length byte below 2 or beyond the bytes received
    REPLY_BAD_CRC,
};
// Checks count received bytes as one reply packet. Bytes after the packet's
// CRC are not part of it. Never reads beyond count.
ReplyCheck CheckReplyPacket(uint8_t* received, int count, int* payloadSize);

// Builds letter, length + 2, payload and CRC into out (room for length + 4
// bytes); returns the packet size. length must not exceed 253.
int BuildPacket(uint8_t letter, const uint8_t* payload, int length, uint8_t* out);

// The letter of a command index (SERIAL_BAUD .. SERIAL_MIC); 0 for others.
uint8_t CommandLetter(int cmd);

// " %02X" per byte, cut to 255 characters (85 bytes); out needs 256 chars.
constexpr size_t TRACE_SIZE = 256;
void TraceBytes(const uint8_t* data, int count, char out[TRACE_SIZE]);
