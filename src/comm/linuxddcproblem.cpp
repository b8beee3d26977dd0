// The words LinuxDdcBus gives for a failed call, for someone setting up a room.

#include "comm/linuxddcbus.h"

#include <cerrno>
#include <cstring>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

bool GroupName(gid_t id, std::string* name)
{
    const long size = sysconf(_SC_GETGR_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 4096);
    group entry;
    group* found = nullptr;
    if (getgrgid_r(id, &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr ||
        found->gr_name == nullptr)
        return false;
    *name = found->gr_name;
    return true;
}

bool GroupExists(const char* name)
{
    const long size = sysconf(_SC_GETGR_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 4096);
    group entry;
    group* found = nullptr;
    return getgrnam_r(name, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr;
}

// What gives a user the device: its own group when that group may read and
// write it, else the "i2c" group that the udev rule of i2c-tools sets up.
std::string AccessAdvice(const std::string& path)
{
    struct stat info;
    std::string name;
    if (stat(path.c_str(), &info) == 0 && info.st_gid != 0 &&
        (info.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP) && GroupName(info.st_gid, &name))
        return "add the user to the " + name + " group, then log in again";
    if (GroupExists("i2c"))
        return "add the user to the i2c group, then log in again";
    return "install i2c-tools, whose rule gives the i2c group the I2C devices, and add the user to the i2c "
           "group, then log in again";
}

} // namespace

std::string LinuxDdcBus::BusPath(int32_t handle) const
{
    return m_paths.devFolder + "/i2c-" + std::to_string(handle);
}

std::string LinuxDdcBus::OpenProblem(int32_t handle, int error) const
{
    const std::string path = BusPath(handle);
    switch (error)
    {
    case EACCES:
    case EPERM:
        return "no permission on " + path + " (" + AccessAdvice(path) + ")";
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return path + " is missing";
    default:
        return path + " cannot be opened (" + strerror(error) + ")";
    }
}

std::string LinuxDdcBus::TransferProblem(int32_t handle, int error) const
{
    const std::string path = BusPath(handle);
    switch (error)
    {
    case ENXIO:
    case EREMOTEIO:
    case ETIMEDOUT:
        return "nothing answers on " + path + " (is the control panel in the video cable?)";
    default:
        return "transfer on " + path + " failed (" + std::string(strerror(error)) + ")";
    }
}
