// Whatever a device sends over I2C: the transfer's count and the reply check
// must stay within the bytes really read.
//
// Input: byte 0 chooses how many bytes are read (1..255), the rest is served
// as the device's answers, one read after another.

#include "comm/ddcbus.h"
#include "comm/i2ctransport.h"
#include "comm/packet.h"
#include "log/log.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace {

class QuietLog final : public Log
{
public:
    QuietLog() : Log(0xFFFFFFFFu) {}
    void Print(unsigned, const char*, ...) override {}
};

class InputBus final : public DdcBus
{
public:
    InputBus(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    int InitDDCHelper() override { return 0; }
    void DeinitDDCHelper() override {}
    int EnumGetFirst(int32_t* handle) override { *handle = 0; return 0; }
    int GetCachedEDID256(int32_t, uint8_t*) override { return 0; }
    int GetEDIDOption(const uint8_t*, int, uint8_t*, int) override { return 0; }
    int WriteI2CBuf(int32_t, uint8_t, const uint8_t*, int, int) override { return 0; }
    int ReadI2CBuf(int32_t, uint8_t, uint8_t* buffer, int count, int) override
    {
        const size_t take = std::min(m_size - m_used, static_cast<size_t>(count));
        memset(buffer, 0, static_cast<size_t>(count));
        memcpy(buffer, m_data + m_used, take);
        m_used += take;
        return 0;
    }
    int InstallDriver(const char*, int) override { return 0; }
    int UninstallDriver() override { return 0; }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_used = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QuietLog log;
    theLog = &log;
    if (size < 1)
        return 0;
    const int toRead = std::max(1, static_cast<int>(data[0]));
    InputBus bus(data + 1, size - 1);
    const uint8_t request[5] = {0x41, 0x03, 0x01, 0x8F, 0x11};
    // Exactly toRead bytes, on the heap, so that any overread is caught.
    std::unique_ptr<uint8_t[]> reply(new uint8_t[static_cast<size_t>(toRead)]);
    const int count = Transfer(bus, 0, request, 5, reply.get(), toRead, 0, 4);
    if (count < 0 || count > toRead)
        __builtin_trap();
    int payload = 0;
    if (CheckReplyPacket(reply.get(), count, &payload) == REPLY_GOOD && payload + 4 > count)
        __builtin_trap();
    return 0;
}
