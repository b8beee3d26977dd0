#include "platform/replacefile.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// The temporary file's name: the target's name, this mark and mkstemp's six
// letters.
const char* const TEMPORARY_MARK = ".new-";
constexpr std::size_t TEMPORARY_LETTERS = 6;
constexpr int MAX_LINKS = 40;

wxString ErrnoText(int error)
{
    return wxString::FromUTF8(strerror(error));
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool WriteAll(int fd, const std::string& contents)
{
    std::size_t done = 0;
    while (done < contents.size())
    {
        const ssize_t written = write(fd, contents.data() + done, contents.size() - done);
        if (written < 0)
        {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

std::string FinalTargetBytes(const std::string& start, wxString& reason)
{
    std::string path = start;
    for (int links = 0; links < MAX_LINKS; ++links)
    {
        struct stat info;
        if (lstat(path.c_str(), &info) != 0)
        {
            if (errno == ENOENT)
                return path; // a file still to be made
            reason = ErrnoText(errno);
            return std::string();
        }
        if (!S_ISLNK(info.st_mode))
            return path;
        std::vector<char> target(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1);
        const ssize_t length = readlink(path.c_str(), target.data(), target.size());
        if (length < 0 || static_cast<std::size_t>(length) >= target.size())
        {
            reason = length < 0 ? ErrnoText(errno) : wxString("the link changed while it was read");
            return std::string();
        }
        const std::string next(target.data(), static_cast<std::size_t>(length));
        path = next[0] == '/' ? next : FolderOf(path) + "/" + next;
    }
    reason = ErrnoText(ELOOP);
    return std::string();
}

} // namespace

wxString FinalLinkTarget(const wxString& path, wxString& reason)
{
    const wxCharBuffer name = path.fn_str();
    if (name.data() == nullptr || name.length() == 0)
    {
        reason = "the file name cannot be written in the file system's encoding";
        return wxString();
    }
    const std::string target = FinalTargetBytes(name.data(), reason);
    return target.empty() ? wxString() : wxString(target.c_str(), *wxConvFileName);
}

bool ReplaceFile(const wxString& path, const std::string& contents, mode_t mode, wxString& reason)
{
    const wxCharBuffer name = path.fn_str();
    if (name.data() == nullptr || name.length() == 0)
    {
        reason = "the file name cannot be written in the file system's encoding";
        return false;
    }
    const std::string target = FinalTargetBytes(name.data(), reason);
    if (target.empty())
        return false;

    std::string temporary = target + TEMPORARY_MARK + std::string(TEMPORARY_LETTERS, 'X');
    const int fd = mkostemp(&temporary[0], O_CLOEXEC);
    if (fd < 0)
    {
        reason = ErrnoText(errno);
        return false;
    }
    // fchmod, not the umask: the mode is the same whatever the umask is.
    bool done = fchmod(fd, mode) == 0 && WriteAll(fd, contents) && fsync(fd) == 0;
    int error = errno;
    if (close(fd) != 0 && done)
    {
        done = false;
        error = errno;
    }
    if (done && rename(temporary.c_str(), target.c_str()) != 0)
    {
        done = false;
        error = errno;
    }
    if (!done)
    {
        unlink(temporary.c_str());
        reason = ErrnoText(error);
        return false;
    }
    // The rename itself reaches the disk with its folder.
    const int folder = open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0)
    {
        fsync(folder);
        close(folder);
    }
    return true;
}

int RemoveStaleReplacements(const wxString& path)
{
    wxString reason;
    const wxCharBuffer name = path.fn_str();
    if (name.data() == nullptr || name.length() == 0)
        return 0;
    const std::string target = FinalTargetBytes(name.data(), reason);
    if (target.empty())
        return 0;
    const std::string prefix = NameOf(target) + TEMPORARY_MARK;
    const std::string folder = FolderOf(target);
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr)
        return 0;
    int removed = 0;
    while (const dirent* entry = readdir(dir))
    {
        const std::string entryName = entry->d_name;
        if (entryName.size() != prefix.size() + TEMPORARY_LETTERS || entryName.compare(0, prefix.size(), prefix) != 0)
            continue;
        const std::string stale = folder + "/" + entryName;
        struct stat info;
        if (lstat(stale.c_str(), &info) == 0 && S_ISREG(info.st_mode) && unlink(stale.c_str()) == 0)
            ++removed;
    }
    closedir(dir);
    return removed;
}
