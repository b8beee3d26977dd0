#include "comm/serialproblem.h"

#include <cerrno>
#include <cstring>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// The group that may read and write the device; Debian gives serial ports
// to "dialout", which is also the answer when the device says nothing better.
std::string PortGroup(const char* path)
{
    const std::string fallback = "dialout";
    struct stat info;
    if (stat(path, &info) != 0 || info.st_gid == 0 || (info.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP))
        return fallback;
    long size = sysconf(_SC_GETGR_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 4096);
    group entry;
    group* found = nullptr;
    if (getgrgid_r(info.st_gid, &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr ||
        found->gr_name == nullptr)
        return fallback;
    return found->gr_name;
}

} // namespace

std::string SerialOpenProblem(const char* path, int error)
{
    switch (error)
    {
    case EACCES:
    case EPERM:
        return "permission denied (add the user to the " + PortGroup(path) + " group, then log in again)";
    case EBUSY:
    case EWOULDBLOCK:
        return "busy (in use by another program)";
    case ENOTTY:
        return "not a serial port";
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return "no such device";
    default:
        return std::string("cannot be opened (") + strerror(error) + ")";
    }
}
