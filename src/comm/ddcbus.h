#pragma once

#include <cstdint>
#include <memory>
#include <string>

// Access to I2C devices on the video cable's display-data channel. Every
// call returns 0 on success or a non-zero error code, as noted.
class DdcBus
{
public:
    virtual ~DdcBus() = default;

    // 0 when the bus layer is ready; an error code otherwise.
    virtual int InitDDCHelper() = 0;
    virtual void DeinitDDCHelper() = 0;
    // Sets *handle to the first video device; 0 when one was found.
    virtual int EnumGetFirst(int32_t* handle) = 0;
    // Reads the device's 256 bytes of identification data (EDID).
    virtual int GetCachedEDID256(int32_t handle, uint8_t edid[256]) = 0;
    virtual int GetEDIDOption(const uint8_t edid[256], int option, uint8_t* out, int outSize) = 0;
    // Writes count (1..255) bytes to the device at address; 0 when written.
    virtual int WriteI2CBuf(int32_t handle, uint8_t address, const uint8_t* data, int count, int flags) = 0;
    // Reads exactly count (1..255) bytes from the device at address; 0 when read.
    virtual int ReadI2CBuf(int32_t handle, uint8_t address, uint8_t* buffer, int count, int flags) = 0;
    // Makes the bus layer available now and at boot; path names a driver
    // file to load instead of the default one (nullptr: the default). The
    // default succeeds when the driver is already there.
    virtual int InstallDriver(const char* path, int flags) = 0;
    // Undoes what InstallDriver made permanent; 0 when done or nothing to undo.
    virtual int UninstallDriver() = 0;

    // Why the last failed call of the search (init, enumeration, EDID,
    // read, write) failed, in words an installer can act on; empty when
    // the bus cannot say more than its error code.
    virtual std::string LastProblem() const { return std::string(); }
};

// The bus of this system (Linux: the kernel's i2c-dev interface).
std::unique_ptr<DdcBus> CreateSystemDdcBus();
