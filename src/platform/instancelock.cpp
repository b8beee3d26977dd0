#include "platform/instancelock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

InstanceLock::~InstanceLock()
{
    if (m_fd >= 0)
        close(m_fd);
}

InstanceLock::Result InstanceLock::Take(const wxString& folder, const wxString& appName)
{
    if (folder.empty())
    {
        m_reason = "no data folder is known";
        return UNAVAILABLE;
    }
    // A dot name keeps the file out of sight beside the user's files.
    m_path = folder + "/." + appName + ".lock";
    const wxCharBuffer name = m_path.fn_str();
    if (name.data() == nullptr || name.length() == 0)
    {
        m_reason = "the name cannot be written in the file system's encoding";
        return UNAVAILABLE;
    }
    // Never through a link, never waiting on a pipe, never for a child.
    const int fd = open(name.data(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0)
    {
        m_reason = wxString::FromUTF8(strerror(errno));
        return UNAVAILABLE;
    }
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
    {
        m_reason = "it is not a regular file";
        close(fd);
        return UNAVAILABLE;
    }
    int locked;
    do
        locked = flock(fd, LOCK_EX | LOCK_NB);
    while (locked != 0 && errno == EINTR);
    if (locked != 0)
    {
        const int error = errno;
        close(fd);
        if (error == EWOULDBLOCK)
            return HELD_BY_ANOTHER;
        m_reason = wxString::FromUTF8(strerror(error));
        return UNAVAILABLE;
    }
    m_fd = fd;
    return TAKEN;
}
