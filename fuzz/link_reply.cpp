// Whatever a device sends over I2C: the transfer's count and the reply check
// must stay within the bytes really read.
//
// Input: byte 0 chooses how many bytes are read (1..255), the rest is served
// as the device's answers, that many bytes a read.

#include "../tests/support/core/fake_ddc_bus.h"
#include "comm/i2ctransport.h"
#include "comm/packet.h"
#include "log/log.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static LogStdout quiet;
    quiet.SetMask(0);
    theLog = &quiet;
    if (size < 1)
        return 0;
    const size_t toRead = std::max<size_t>(1, data[0]);
    FakeDdcBus bus;
    for (size_t at = 1; at < size; at += toRead)
        bus.QueueRead(FakeDdcBus::Bytes(data + at, data + std::min(size, at + toRead)));
    const uint8_t request[5] = {0x41, 0x03, 0x01, 0x8F, 0x11};
    // Exactly toRead bytes, on the heap, so that any overread is caught.
    std::unique_ptr<uint8_t[]> reply(new uint8_t[toRead]);
    const int count = Transfer(bus, 0, request, 5, reply.get(), static_cast<int>(toRead), 0, 4);
    int payload = 0;
    if (count < 0 || count > static_cast<int>(toRead) ||
        (CheckReplyPacket(reply.get(), count, &payload) == REPLY_GOOD && payload + 4 > count))
        __builtin_trap();
    return 0;
}
