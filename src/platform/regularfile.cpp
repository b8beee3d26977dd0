#include "platform/regularfile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void CloseKeepingErrno(int fd)
{
    const int saved = errno;
    close(fd);
    errno = saved;
}

} // namespace

const char* NotRegularFileReason(mode_t mode)
{
    if (S_ISLNK(mode))
        return "it is a symbolic link, not a regular file";
    if (S_ISDIR(mode))
        return "it is a folder, not a regular file";
    if (S_ISFIFO(mode))
        return "it is a named pipe, not a regular file";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "it is a device, not a regular file";
    if (S_ISSOCK(mode))
        return "it is a socket, not a regular file";
    return "it is not a regular file";
}

int OpenRegularFileForReading(const char* path, std::string& reason)
{
    if (path == nullptr || path[0] == '\0') {
        reason = "no file name was given";
        return -1;
    }
    int fd;
    do
        fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        reason = std::strerror(errno);
        return -1;
    }
    struct stat info;
    if (fstat(fd, &info) != 0) {
        reason = std::strerror(errno);
        CloseKeepingErrno(fd);
        return -1;
    }
    if (!S_ISREG(info.st_mode)) {
        reason = NotRegularFileReason(info.st_mode);
        close(fd);
        return -1;
    }
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        reason = std::strerror(errno);
        CloseKeepingErrno(fd);
        return -1;
    }
    return fd;
}

namespace {

// The path in the file system's encoding; false with reason set when it has none.
bool FileSystemName(const wxString& path, wxCharBuffer& name, wxString& reason)
{
    if (path.empty()) {
        reason = "no file name was given";
        return false;
    }
    name = path.fn_str();
    if (!name.data() || name.length() == 0) {
        reason = "the file name cannot be written in the file system's encoding";
        return false;
    }
    return true;
}

} // namespace

int OpenRegularFileForReading(const wxString& path, wxString& reason)
{
    wxCharBuffer name;
    if (!FileSystemName(path, name, reason))
        return -1;
    std::string why;
    const int fd = OpenRegularFileForReading(name.data(), why);
    if (fd < 0)
        reason = wxString(why.c_str(), wxConvLibc);
    return fd;
}

bool ReadRegularFile(const char* path, std::string& contents, std::string& reason, std::size_t maxBytes)
{
    const int fd = OpenRegularFileForReading(path, reason);
    if (fd < 0)
        return false;
    std::string data;
    char buffer[16384];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            reason = std::strerror(errno);
            CloseKeepingErrno(fd);
            return false;
        }
        if (got == 0)
            break;
        if (data.size() + static_cast<std::size_t>(got) > maxBytes) {
            reason = "it is larger than " + std::to_string(maxBytes) + " bytes";
            close(fd);
            return false;
        }
        data.append(buffer, static_cast<std::size_t>(got));
    }
    if (close(fd) != 0 && errno != EINTR) {
        reason = std::strerror(errno);
        return false;
    }
    contents.swap(data);
    return true;
}

bool ReadRegularFile(const wxString& path, std::string& contents, wxString& reason,
                     std::size_t maxBytes)
{
    wxCharBuffer name;
    if (!FileSystemName(path, name, reason))
        return false;
    std::string why;
    if (!ReadRegularFile(name.data(), contents, why, maxBytes)) {
        reason = wxString(why.c_str(), wxConvLibc);
        return false;
    }
    return true;
}
