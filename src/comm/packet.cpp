#include "comm/packet.h"

#include "comm/panelcomm.h"

#include <cstdio>

uint16_t Crc16(const uint8_t* data, size_t count)
{
    uint16_t crc = 0;
    for (size_t i = 0; i < count; ++i)
    {
        crc ^= static_cast<uint16_t>(data[i] << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? static_cast<uint16_t>((crc << 1) ^ 0x8005) : static_cast<uint16_t>(crc << 1);
    }
    return crc;
}

bool CheckAndSetCrc(uint8_t* packet, size_t size, uint16_t* computed)
{
    if (packet == nullptr || size < 2)
        return false;
    const size_t n = packet[1];
    if (n < 2 || n + 2 > size)
        return false;
    const uint16_t crc = Crc16(packet, n);
    const bool matched = packet[n] == (crc >> 8) && packet[n + 1] == (crc & 0xFF);
    packet[n] = static_cast<uint8_t>(crc >> 8);
    packet[n + 1] = static_cast<uint8_t>(crc & 0xFF);
    if (computed != nullptr)
        *computed = crc;
    return matched;
}

ReplyCheck CheckReplyPacket(uint8_t* received, int count, int* payloadSize)
{
    *payloadSize = 0;
    const int n = count >= 2 ? received[1] : 0;
    if (count < 5 || n < 2 || n + 2 > count)
        return REPLY_MALFORMED;
    if (!CheckAndSetCrc(received, static_cast<size_t>(count)))
        return REPLY_BAD_CRC;
    *payloadSize = n - 2;
    return REPLY_GOOD;
}

int BuildPacket(uint8_t letter, const uint8_t* payload, int length, uint8_t* out)
{
    out[0] = letter;
    out[1] = static_cast<uint8_t>(length + 2);
    for (int i = 0; i < length; ++i)
        out[2 + i] = payload[i];
    CheckAndSetCrc(out, static_cast<size_t>(length) + 4);
    return length + 4;
}

uint8_t CommandLetter(int cmd)
{
    static const char letters[SERIAL_LAST] = {'B', 'N', 'F', 'V', 'C', 'P', 'Q', 'A', 'J', 'H', 'E', 'G', 'D'};
    return cmd >= 0 && cmd < SERIAL_LAST ? static_cast<uint8_t>(letters[cmd]) : 0;
}

void TraceBytes(const uint8_t* data, int count, char out[TRACE_SIZE])
{
    size_t used = 0;
    out[0] = '\0';
    for (int i = 0; i < count && used + 3 < TRACE_SIZE; ++i)
    {
        snprintf(out + used, TRACE_SIZE - used, " %02X", data[i]);
        used += 3;
    }
}
