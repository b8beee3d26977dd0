#pragma once

#include "comm/ddcbus.h"

#include <string>

// Where the Linux bus looks and what it runs; tests point these elsewhere.
struct LinuxDdcPaths
{
    std::string i2cDevClass = "/sys/class/i2c-dev"; // exists while i2c-dev is loaded
    std::string drmClass = "/sys/class/drm";        // card*-* entries are the connectors
    std::string devFolder = "/dev";                 // holds i2c-N
    std::string bootFile = "/etc/modules-load.d/aulavox-kesto.conf";
    std::string modprobe = "modprobe";
    std::string insmod = "insmod";
};

// The display-data channel over the kernel's i2c-dev interface. A handle is
// the number N of the bus /dev/i2c-N. Error codes are errno values, except
// that a loader (modprobe, insmod) ending with status S gives 0x100 + S and
// one ended by a signal gives 0x200 + the signal number.
class LinuxDdcBus final : public DdcBus
{
public:
    LinuxDdcBus() = default;
    explicit LinuxDdcBus(LinuxDdcPaths paths) : m_paths(std::move(paths)) {}
    ~LinuxDdcBus() override;

    int InitDDCHelper() override;
    void DeinitDDCHelper() override;
    // The I2C bus of the first DRM connector, connected connectors first.
    int EnumGetFirst(int32_t* handle) override;
    int GetCachedEDID256(int32_t handle, uint8_t edid[256]) override;
    // Option 1: the display's product name (NUL-ended) from the EDID.
    int GetEDIDOption(const uint8_t edid[256], int option, uint8_t* out, int outSize) override;
    int WriteI2CBuf(int32_t handle, uint8_t address, const uint8_t* data, int count, int flags) override;
    int ReadI2CBuf(int32_t handle, uint8_t address, uint8_t* buffer, int count, int flags) override;
    // No path: loads i2c-dev and lists it in the boot file. A path: loads
    // that module file (now only).
    int InstallDriver(const char* path, int flags) override;
    // Removes the boot file; 0 also when there was none.
    int UninstallDriver() override;
    std::string LastProblem() const override { return m_problem; }

private:
    int OpenBus(int32_t handle);
    void CloseBus();
    int RunLoader(const std::string& program, const std::string& argument) const;
    // The words for LastProblem (linuxddcproblem.cpp).
    std::string BusPath(int32_t handle) const;
    std::string OpenProblem(int32_t handle, int error) const;
    std::string TransferProblem(int32_t handle, int error) const;

    LinuxDdcPaths m_paths;
    int m_fd = -1;
    int32_t m_fdHandle = -1;
    std::string m_problem;
};
