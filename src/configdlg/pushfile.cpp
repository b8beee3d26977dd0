#include "configdlg/pushfile.h"

#include "projdefs/logprint.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

bool StartsWithNoCase(const std::string& text, const char* prefix)
{
    const size_t length = strlen(prefix);
    return text.size() >= length && strncasecmp(text.c_str(), prefix, length) == 0;
}

// Closes a descriptor once; a failed close of a written file is an error.
class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return m_fd; }
    bool Close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return close(fd) == 0;
    }

private:
    int m_fd;
};

bool WriteAll(int fd, const char* data, size_t length)
{
    while (length > 0)
    {
        const ssize_t written = write(fd, data, length);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        length -= static_cast<size_t>(written);
    }
    return true;
}

// Copies everything readable from `in` to `out`; false with errno set on failure.
bool CopyContents(int in, int out)
{
    std::vector<char> buffer(65536);
    for (;;)
    {
        const ssize_t got = read(in, buffer.data(), buffer.size());
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        if (!WriteAll(out, buffer.data(), static_cast<size_t>(got)))
            return false;
    }
}

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The mode a new file gets here: what the umask leaves of rw for everyone.
mode_t NewFileMode()
{
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

} // namespace

std::string PushDestination(const std::string& url)
{
    // "file:///srv/x" names "/srv/x"; so does "file://localhost/srv/x".
    if (StartsWithNoCase(url, "file:///"))
        return url.substr(7);
    if (StartsWithNoCase(url, "file://localhost/"))
        return url.substr(16);
    // An absolute path as it stands; two leading slashes or backslashes name a
    // network share, which this system does not reach as a path.
    if (url.size() > 1 && url[0] == '/' && url[1] != '/')
        return url;
    return std::string();
}

bool CopyFileReplacing(const std::string& source, const std::string& destination)
{
    Descriptor in(open(source.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat info;
    if (in.Get() < 0 || fstat(in.Get(), &info) != 0)
    {
        LOG_PRINT(Log::LEVEL_ERROR, "unable to open file '%s' for reading: %s", source.c_str(),
                  strerror(errno));
        return false;
    }
    if (!S_ISREG(info.st_mode))
    {
        LOG_PRINT(Log::LEVEL_ERROR, "unable to copy '%s': not a regular file", source.c_str());
        return false;
    }

    // The new file takes the old one's permissions, or those of a new file.
    struct stat old;
    const bool exists = stat(destination.c_str(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode))
    {
        LOG_PRINT(Log::LEVEL_ERROR, "unable to copy '%s' to '%s': it is a folder", source.c_str(),
                  destination.c_str());
        return false;
    }
    const mode_t mode = exists ? (old.st_mode & 07777) : NewFileMode();

    std::string tmpName = FolderOf(destination) + "/.push-XXXXXX";
    std::vector<char> tmpBuffer(tmpName.begin(), tmpName.end());
    tmpBuffer.push_back('\0');
    Descriptor out(mkostemp(tmpBuffer.data(), O_CLOEXEC));
    if (out.Get() < 0)
    {
        LOG_PRINT(Log::LEVEL_ERROR, "unable to create a file in '%s': %s",
                  FolderOf(destination).c_str(), strerror(errno));
        return false;
    }
    tmpName = tmpBuffer.data();

    const bool written = CopyContents(in.Get(), out.Get()) && fchmod(out.Get(), mode) == 0 &&
                         fsync(out.Get()) == 0;
    const int writeError = errno;
    const bool closed = out.Close();
    if (!written || !closed || rename(tmpName.c_str(), destination.c_str()) != 0)
    {
        const int error = !written ? writeError : errno;
        LOG_PRINT(Log::LEVEL_ERROR, "unable to copy '%s' to '%s': %s", source.c_str(),
                  destination.c_str(), strerror(error));
        if (unlink(tmpName.c_str()) != 0)
            LOG_PRINT(Log::LEVEL_WARNING, "unable to remove file '%s': %s", tmpName.c_str(),
                      strerror(errno));
        return false;
    }
    return true;
}
