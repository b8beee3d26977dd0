#include "platform/instancelock.h"

#include "platform/appdatafolder.h"

#include <wx/utils.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

wxString InstanceLockFolder()
{
    wxString runtime;
    if (wxGetEnv("XDG_RUNTIME_DIR", &runtime) && runtime.StartsWith("/"))
        return runtime;
    return HomeFolder();
}

InstanceLock::~InstanceLock()
{
    if (m_fd >= 0)
        close(m_fd);
}

InstanceLock::Result InstanceLock::Take(const wxString& appName)
{
    const wxString folder = InstanceLockFolder();
    if (folder.empty())
    {
        m_reason = "no runtime or home folder is known";
        return UNAVAILABLE;
    }
    // A dot name keeps the file out of sight in a home folder.
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
