#include "platform/replacefile.h"

#include "platform/regularfile.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The temporary file's name: the target's name, this mark and mkstemp's six
// letters.
const char* const TEMPORARY_MARK = ".new-";
constexpr std::size_t TEMPORARY_LETTERS = 6;
constexpr int MAX_LINKS = 40;
const char* const UNENCODABLE = "the file name cannot be written in the file system's encoding";

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

bool WriteAll(int fd, const char* data, std::size_t length)
{
    while (length > 0)
    {
        const ssize_t written = write(fd, data, length);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return false;
        if (written == 0)
        {
            errno = EIO;
            return false;
        }
        data += written;
        length -= static_cast<std::size_t>(written);
    }
    return true;
}

// The prefix and six letters or digits of mkstemp.
bool IsTemporaryName(const std::string& name, const std::string& prefix)
{
    if (name.size() != prefix.size() + TEMPORARY_LETTERS || name.compare(0, prefix.size(), prefix) != 0)
        return false;
    for (std::size_t i = prefix.size(); i < name.size(); ++i)
        if (!isalnum(static_cast<unsigned char>(name[i])))
            return false;
    return true;
}

// Whether the user may not write the file. Root may write any file, so for
// root the mode bits decide: no write bit for anyone means read-only.
bool IsReadOnly(const std::string& path, const struct stat& info)
{
    if (geteuid() == 0)
        return (info.st_mode & 0222) == 0;
    return faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0 && (errno == EACCES || errno == EROFS);
}

// The mode a new file gets: what the umask leaves of rw for everyone.
mode_t NewFileMode()
{
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// What may stand where the new file goes: nothing, or a regular file.
// Fills `old` and sets `exists`; false with reason set otherwise.
bool CheckTarget(const std::string& target, struct stat& old, bool& exists, std::string& reason)
{
    exists = lstat(target.c_str(), &old) == 0;
    if (!exists && errno != ENOENT)
    {
        reason = strerror(errno);
        return false;
    }
    if (exists && !S_ISREG(old.st_mode))
    {
        reason = NotRegularFileReason(old.st_mode);
        return false;
    }
    return true;
}

} // namespace

std::string FinalLinkTarget(const std::string& start, std::string& reason)
{
    if (start.empty())
    {
        reason = "no file name was given";
        return std::string();
    }
    std::string path = start;
    for (int links = 0; links < MAX_LINKS; ++links)
    {
        struct stat info;
        if (lstat(path.c_str(), &info) != 0)
        {
            if (errno == ENOENT)
                return path; // a file still to be made
            reason = strerror(errno);
            return std::string();
        }
        if (!S_ISLNK(info.st_mode))
            return path;
        std::string target(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1, '\0');
        const ssize_t length = readlink(path.c_str(), &target[0], target.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= target.size())
        {
            reason = length < 0 ? strerror(errno) : "the link changed while it was read";
            return std::string();
        }
        target.resize(static_cast<std::size_t>(length));
        path = target[0] == '/' ? target : FolderOf(path) + "/" + target;
    }
    reason = strerror(ELOOP);
    return std::string();
}

wxString FinalLinkTarget(const wxString& path, wxString& reason)
{
    const wxCharBuffer name = path.fn_str();
    if (name.data() == nullptr || name.length() == 0)
    {
        reason = UNENCODABLE;
        return wxString();
    }
    std::string why;
    const std::string target = FinalLinkTarget(std::string(name.data()), why);
    if (target.empty())
        reason = wxString::FromUTF8(why.c_str());
    return target.empty() ? wxString() : wxString(target.c_str(), *wxConvFileName);
}

FileReplacement::FileReplacement(const ReplaceOptions& options) : m_options(options) {}

FileReplacement::~FileReplacement()
{
    Discard();
}

std::string FileReplacement::TemporaryPattern(const std::string& target)
{
    return target + TEMPORARY_MARK + std::string(TEMPORARY_LETTERS, 'X');
}

void FileReplacement::Close()
{
    if (m_fd >= 0)
        close(m_fd);
    m_fd = -1;
}

bool FileReplacement::Open(const std::string& path, std::string& reason)
{
    Discard();
    m_target = FinalLinkTarget(path, reason);
    if (m_target.empty())
        return false;
    struct stat old;
    bool exists = false;
    if (!CheckTarget(m_target, old, exists, reason))
        return false;
    if (exists && m_options.refuseReadOnly && IsReadOnly(m_target, old))
    {
        reason = "the file is read-only";
        return false;
    }

    std::string temporary = TemporaryPattern(m_target);
    m_fd = mkostemp(&temporary[0], O_CLOEXEC); // O_CREAT|O_EXCL: never through a link
    if (m_fd < 0)
    {
        if (exists && m_options.inPlaceFallback && (errno == EACCES || errno == EPERM))
            return OpenInPlace(reason);
        reason = strerror(errno);
        return false;
    }
    m_temporary = temporary;
    const mode_t mode = m_options.mode != ReplaceOptions::KEEP_MODE ? m_options.mode
                        : exists                                     ? (old.st_mode & 07777)
                                                                     : NewFileMode();
    // Owner and group first: changing them may clear set-id bits that the
    // mode then gives back. Only root may keep the owner; the group only a
    // member of it. Where the user may not, the file is theirs.
    if (exists &&
        fchown(m_fd, geteuid() == 0 ? old.st_uid : static_cast<uid_t>(-1), old.st_gid) != 0 && errno != EPERM)
    {
        reason = strerror(errno);
        Discard();
        return false;
    }
    // fchmod, not the umask: the mode is the same whatever the umask is.
    if (fchmod(m_fd, mode) != 0)
    {
        reason = strerror(errno);
        Discard();
        return false;
    }
    return true;
}

bool FileReplacement::OpenInPlace(std::string& reason)
{
    m_fd = open(m_target.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat info;
    if (m_fd < 0 || fstat(m_fd, &info) != 0)
    {
        reason = strerror(errno);
        Close();
        return false;
    }
    if (!S_ISREG(info.st_mode))
    {
        reason = NotRegularFileReason(info.st_mode);
        Close();
        return false;
    }
    m_inPlace = true;
    return true;
}

bool FileReplacement::Write(const char* data, std::size_t length, std::string& reason)
{
    if (m_fd < 0 || m_synced)
    {
        reason = strerror(EBADF);
        return false;
    }
    if (!WriteAll(m_fd, data, length))
    {
        reason = strerror(errno);
        return false;
    }
    m_written += length;
    return true;
}

bool FileReplacement::Sync(std::string& reason)
{
    if (m_synced)
        return true;
    if (m_fd < 0)
    {
        reason = strerror(EBADF);
        return false;
    }
    // In place, a shorter text leaves no tail of the old one.
    bool done = (!m_inPlace || ftruncate(m_fd, static_cast<off_t>(m_written)) == 0) && fsync(m_fd) == 0;
    int error = errno;
    if (close(m_fd) != 0 && done)
    {
        done = false;
        error = errno;
    }
    m_fd = -1;
    if (!done)
    {
        reason = strerror(error);
        return false;
    }
    m_synced = true;
    return true;
}

bool FileReplacement::Commit(std::string& reason)
{
    if (!Sync(reason))
    {
        Discard();
        return false;
    }
    if (m_inPlace)
    {
        m_inPlace = false;
        m_synced = false;
        m_target.clear();
        return true;
    }
    // The target may have changed while the file was written: a device or
    // a link put there now is still not replaced.
    struct stat old;
    bool exists = false;
    if (!CheckTarget(m_target, old, exists, reason))
    {
        Discard();
        return false;
    }
    // POSIX rename replaces an existing target in one step; a Windows port
    // needs MoveFileEx with MOVEFILE_REPLACE_EXISTING here.
    if (rename(m_temporary.c_str(), m_target.c_str()) != 0)
    {
        reason = strerror(errno);
        Discard();
        return false;
    }
    // The rename itself reaches the disk with its folder.
    const int folder = open(FolderOf(m_target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0)
    {
        fsync(folder);
        close(folder);
    }
    m_temporary.clear();
    m_synced = false;
    m_target.clear();
    return true;
}

void FileReplacement::Discard()
{
    Close();
    if (!m_inPlace && !m_temporary.empty())
        unlink(m_temporary.c_str());
    m_temporary.clear();
    m_inPlace = false;
    m_synced = false;
    m_written = 0;
}

void FileReplacement::Abandon()
{
    Close();
    m_temporary.clear();
    m_inPlace = false;
}

bool ReplaceFile(const std::string& path, const std::string& contents, const ReplaceOptions& options,
                 std::string& reason)
{
    FileReplacement replacement(options);
    return replacement.Open(path, reason) && replacement.Write(contents.data(), contents.size(), reason) &&
           replacement.Commit(reason);
}

bool ReplaceFile(const wxString& path, const std::string& contents, mode_t mode, wxString& reason)
{
    const wxCharBuffer name = path.fn_str();
    if (name.data() == nullptr || name.length() == 0)
    {
        reason = UNENCODABLE;
        return false;
    }
    ReplaceOptions options;
    options.mode = mode;
    std::string why;
    if (ReplaceFile(std::string(name.data()), contents, options, why))
        return true;
    reason = wxString::FromUTF8(why.c_str());
    return false;
}

std::vector<std::pair<std::string, int>> RemoveStaleReplacements(const std::string& path, bool toolkitNames)
{
    std::vector<std::pair<std::string, int>> tried;
    std::string reason;
    const std::string target = FinalLinkTarget(path, reason);
    if (target.empty())
        return tried;
    const std::string targetName = NameOf(target);
    const std::string prefix = targetName + TEMPORARY_MARK;
    const std::string folder = FolderOf(target);
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr)
        return tried;
    while (const dirent* entry = readdir(dir))
    {
        const std::string entryName = entry->d_name;
        if (!IsTemporaryName(entryName, prefix) && !(toolkitNames && IsTemporaryName(entryName, targetName)))
            continue;
        const std::string stale = folder + "/" + entryName;
        struct stat info;
        if (lstat(stale.c_str(), &info) == 0 && S_ISREG(info.st_mode))
            tried.emplace_back(stale, unlink(stale.c_str()) == 0 ? 0 : errno);
    }
    closedir(dir);
    return tried;
}

int RemoveStaleReplacements(const wxString& path)
{
    const wxCharBuffer name = path.fn_str();
    if (name.data() == nullptr || name.length() == 0)
        return 0;
    int removed = 0;
    for (const auto& [stale, error] : RemoveStaleReplacements(std::string(name.data()), true))
        removed += error == 0 ? 1 : 0;
    return removed;
}
