#pragma once

#include "comm/ddcbus.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

// A scripted display-data channel. Each read takes the next scripted read
// (its result, and bytes copied to the start of the buffer, the rest zero);
// with none left a read succeeds with all zero bytes ("nothing to say").
// Writes succeed unless a result is scripted. The transfers are recorded.
class FakeDdcBus : public DdcBus
{
public:
    using Bytes = std::vector<uint8_t>;
    struct Read
    {
        int result = 0;
        Bytes bytes;
    };

    int initResult = 0, uninstallResult = 0;
    std::deque<int> writeResults, installResults; // default 0
    std::deque<Read> reads;

    int deinitCalls = 0;
    std::vector<Bytes> writes;
    std::vector<std::string> installPaths; // "(none)" for no path

    void QueueRead(Bytes bytes) { reads.push_back({0, std::move(bytes)}); }

    int InitDDCHelper() override { return initResult; }
    void DeinitDDCHelper() override { ++deinitCalls; }
    int EnumGetFirst(int32_t* handle) override
    {
        *handle = 3;
        return 0;
    }
    int GetCachedEDID256(int32_t, uint8_t*) override { return 0; }
    int GetEDIDOption(const uint8_t*, int, uint8_t*, int) override { return 0; }
    int WriteI2CBuf(int32_t, uint8_t, const uint8_t* data, int count, int) override
    {
        writes.emplace_back(data, data + count);
        return Next(writeResults);
    }
    int ReadI2CBuf(int32_t, uint8_t, uint8_t* buffer, int count, int) override
    {
        memset(buffer, 0, static_cast<size_t>(count));
        const Read read = reads.empty() ? Read() : std::move(reads.front());
        if (!reads.empty())
            reads.pop_front();
        if (!read.bytes.empty())
            memcpy(buffer, read.bytes.data(), std::min(read.bytes.size(), static_cast<size_t>(count)));
        return read.result;
    }
    int InstallDriver(const char* path, int) override
    {
        installPaths.push_back(path != nullptr ? path : "(none)");
        return Next(installResults);
    }
    int UninstallDriver() override { return uninstallResult; }

private:
    static int Next(std::deque<int>& results)
    {
        const int result = results.empty() ? 0 : results.front();
        if (!results.empty())
            results.pop_front();
        return result;
    }
};

// A bus whose driver is missing: the I2C search fails at once, so a link
// under test only ever uses its serial ports.
inline std::unique_ptr<DdcBus> MissingDdcBus()
{
    auto bus = std::make_unique<FakeDdcBus>();
    bus->initResult = ENOENT;
    return bus;
}
