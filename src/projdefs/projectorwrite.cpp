// ProjectorList::WriteSource: the projector file writer. The file is never
// written in place: the new text goes to a temporary file in the same
// folder, which then takes the file's name in one rename, so that a failure
// at any step leaves the old file as it was.
#include "projdefs/projectorlist.h"

#include "projdefs/logprint.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// Lines of a written file end with CR LF, as in the files shared with
// Windows machines; the reader accepts both.
const char LINE_END[] = "\r\n";

// Suffix of the temporary file; the update download uses ".tmp".
const char TEMP_SUFFIX[] = ".new";

void AppendLine(std::string* text, const char* prefix, const std::string& value)
{
    text->append(prefix);
    text->append(value);
    text->append(LINE_END);
}

void RemoveTempFile(const std::string& tmpName)
{
    if (unlink(tmpName.c_str()) != 0)
        LOG_PRINT(Log::LEVEL_WARNING, "unable to remove file '%s': %s", tmpName.c_str(), strerror(errno));
}

// Writes `text` to `tmpName` (created or truncated) and makes sure that it
// reached the disk. On failure logs the failing step, removes what it
// created and returns false.
bool WriteTempFile(const std::string& tmpName, const std::string& fileName, const std::string& text)
{
    int fd = open(tmpName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
    {
        LOG_PRINT(Log::LEVEL_ERROR, "unable to open file '%s' for writing", fileName.c_str());
        return false;
    }

    // Keep the permissions of the file being replaced.
    struct stat info;
    if (stat(fileName.c_str(), &info) == 0 && fchmod(fd, info.st_mode & 07777) != 0)
        LOG_PRINT(Log::LEVEL_WARNING, "unable to keep the permissions of file '%s': %s", fileName.c_str(),
                  strerror(errno));

    bool ok = true;
    const char* data = text.data();
    size_t left = text.size();
    while (ok && left > 0)
    {
        ssize_t n = write(fd, data, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
        {
            LOG_PRINT(Log::LEVEL_ERROR, "unable to write file '%s': %s", tmpName.c_str(),
                      n < 0 ? strerror(errno) : "nothing written");
            ok = false;
            break;
        }
        data += n;
        left -= static_cast<size_t>(n);
    }
    if (ok && fsync(fd) != 0)
    {
        LOG_PRINT(Log::LEVEL_ERROR, "unable to write file '%s': %s", tmpName.c_str(), strerror(errno));
        ok = false;
    }
    if (close(fd) != 0 && ok)
    {
        LOG_PRINT(Log::LEVEL_ERROR, "unable to close file '%s': %s", tmpName.c_str(), strerror(errno));
        ok = false;
    }
    if (!ok)
        RemoveTempFile(tmpName);
    return ok;
}

} // namespace

FileResult ProjectorList::WriteSource(size_t srcIndex)
{
    const ProjectorSource* source = GetSource(srcIndex);
    if (source == nullptr)
        return FILE_OPEN_ERROR;
    const std::string& tag = source->name;

    std::string text;
    AppendLine(&text, "version: ", source->version);
    for (const auto& projector : m_projectors)
    {
        bool headerWritten = false;
        for (const auto& entry : projector->m_entries)
        {
            if (entry->source != tag)
                continue;
            if (!headerWritten)
            {
                AppendLine(&text, "projector: ", projector->m_name);
                headerWritten = true;
            }
            text.append(entry->kind == ProjectorEntry::COMMAND ? "C, " : "P, ");
            text.append(entry->name);
            text.append(", ");
            text.append(entry->value);
            text.append(LINE_END);
        }
    }

    const std::string tmpName = source->fileName + TEMP_SUFFIX;
    if (!WriteTempFile(tmpName, source->fileName, text))
        return FILE_OPEN_ERROR;
    if (rename(tmpName.c_str(), source->fileName.c_str()) != 0)
    {
        LOG_PRINT(Log::LEVEL_ERROR, "unable to replace file '%s' with '%s': %s", source->fileName.c_str(),
                  tmpName.c_str(), strerror(errno));
        RemoveTempFile(tmpName);
        return FILE_OPEN_ERROR;
    }
    return FILE_OK;
}
