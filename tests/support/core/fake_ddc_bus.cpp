#include "support/core/fake_ddc_bus.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

int Next(std::deque<int>& results)
{
    const int result = results.empty() ? 0 : results.front();
    if (!results.empty())
        results.pop_front();
    return result;
}

} // namespace

int FakeDdcBus::EnumGetFirst(int32_t* handle)
{
    *handle = enumResult == 0 ? enumHandle : *handle;
    return enumResult;
}

int FakeDdcBus::WriteI2CBuf(int32_t handle, uint8_t address, const uint8_t* data, int count, int)
{
    writes.push_back({handle, address, Bytes(data, data + count)});
    return Next(writeResults);
}

int FakeDdcBus::ReadI2CBuf(int32_t, uint8_t, uint8_t* buffer, int count, int)
{
    readCounts.push_back(count);
    memset(buffer, 0, static_cast<size_t>(count));
    if (reads.empty())
        return 0;
    const Read read = std::move(reads.front());
    reads.pop_front();
    if (!read.bytes.empty())
        memcpy(buffer, read.bytes.data(), std::min(read.bytes.size(), static_cast<size_t>(count)));
    return read.result;
}

int FakeDdcBus::InstallDriver(const char* path, int)
{
    installPaths.push_back(path != nullptr ? path : "(none)");
    return Next(installResults);
}

std::unique_ptr<DdcBus> MissingDdcBus()
{
    auto bus = std::make_unique<FakeDdcBus>();
    bus->initResult = ENOENT;
    return bus;
}
