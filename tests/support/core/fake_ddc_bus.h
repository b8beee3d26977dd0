#pragma once

#include "comm/ddcbus.h"

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
    struct Write
    {
        int32_t handle;
        uint8_t address;
        Bytes bytes;
    };

    int initResult = 0, enumResult = 0, uninstallResult = 0;
    int32_t enumHandle = 3;
    std::deque<int> writeResults, installResults; // default 0
    std::deque<Read> reads;

    int deinitCalls = 0;
    std::vector<Write> writes;
    std::vector<int> readCounts;
    std::vector<std::string> installPaths; // "(none)" for no path

    void QueueRead(Bytes bytes) { reads.push_back({0, std::move(bytes)}); }

    int InitDDCHelper() override { return initResult; }
    void DeinitDDCHelper() override { ++deinitCalls; }
    int EnumGetFirst(int32_t* handle) override;
    int GetCachedEDID256(int32_t, uint8_t*) override { return 0; }
    int GetEDIDOption(const uint8_t*, int, uint8_t*, int) override { return 0; }
    int WriteI2CBuf(int32_t handle, uint8_t address, const uint8_t* data, int count, int flags) override;
    int ReadI2CBuf(int32_t handle, uint8_t address, uint8_t* buffer, int count, int flags) override;
    int InstallDriver(const char* path, int flags) override;
    int UninstallDriver() override { return uninstallResult; }
};

// A bus whose driver is missing: the I2C search fails at once, so a link
// under test only ever uses its serial ports.
std::unique_ptr<DdcBus> MissingDdcBus();
