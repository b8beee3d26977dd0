// ProjectorList::WriteSource: the projector file writer. The file is never
// written in place: the new text goes to a temporary file in the same
// folder, which then takes the file's name in one rename, so that a failure
// at any step leaves the old file as it was. A list that would not read back
// as written (a line break inside a text, a comma in an entry name, a line
// too long for the reader's pieces) is refused before anything is written.
#include "projdefs/projectorlist.h"

#include "projdefs/leftovers.h"
#include "projdefs/logprint.h"
#include "projdefs/piecereader.h"

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

// The reader takes lines in pieces of 1022 characters, line end included;
// a text of up to 1022 characters still reads back whole (its line end then
// makes an empty line of its own).
const size_t MAX_LINE_TEXT = PieceReader::PIECE;

bool HasBreak(const std::string& text)
{
    return text.find('\n') != std::string::npos || text.find('\0') != std::string::npos;
}

// Why a line whose last text is `last` would not read back as written, or
// null. A LF ends a line and a NUL ends its text wherever they stand; a CR
// only at the end of the line (the reader removes it there).
const char* LineProblem(size_t lineLength, const std::string& last, const std::string& other = std::string())
{
    if (HasBreak(last) || HasBreak(other) || (!last.empty() && last.back() == '\r'))
        return "has a line break or NUL in it";
    if (lineLength > MAX_LINE_TEXT)
        return "makes a line longer than 1022 characters";
    return nullptr;
}

bool StartsWithBlank(const std::string& text)
{
    return !text.empty() && (text[0] == ' ' || text[0] == '\t');
}

// The reader drops the blanks at the start of a value. A command keeps them
// as the escape of the same byte; a parameter's number does not change
// without them, so they are left to go.
std::string WrittenValue(const ProjectorEntry& entry)
{
    if (entry.kind != ProjectorEntry::COMMAND)
        return entry.value;
    const size_t blanks = entry.value.find_first_not_of(' ');
    if (blanks == 0)
        return entry.value;
    const size_t count = blanks == std::string::npos ? entry.value.size() : blanks;
    std::string written;
    written.reserve(entry.value.size() + 3 * count);
    for (size_t i = 0; i < count; ++i)
        written += "<20>";
    written.append(entry.value, count, std::string::npos);
    return written;
}

// Why an entry would not read back as written, or null.
const char* EntryProblem(const ProjectorEntry& entry, const std::string& value)
{
    if (const char* problem = LineProblem(3 + entry.name.size() + 2 + value.size(), value, entry.name))
        return problem;
    if (entry.name.find(',') != std::string::npos)
        return "has a comma in its name";
    if (StartsWithBlank(entry.name))
        return "has a name that starts with a blank or tab";
    if (!value.empty() && value[0] == '\t')
        return "has a value that starts with a tab";
    return nullptr;
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

    const char* const fileName = source->fileName.c_str();
    static const char VERSION[] = "version: ";
    static const char PROJECTOR[] = "projector: ";

    std::string text;
    const char* versionProblem = LineProblem(strlen(VERSION) + source->version.size(), source->version);
    if (versionProblem == nullptr && StartsWithBlank(source->version))
        versionProblem = "starts with a blank or tab";
    if (const char* problem = versionProblem)
    {
        LOG_PRINT(Log::LEVEL_ERROR, "unable to write file '%s': the version text %s", fileName, problem);
        return FILE_OPEN_ERROR;
    }
    text.append(VERSION).append(source->version).append(LINE_END);

    for (const auto& projector : m_projectors)
    {
        const std::string& name = projector->m_name;
        bool headerWritten = false;
        for (const auto& entry : projector->m_entries)
        {
            if (entry->source != tag)
                continue;
            if (!headerWritten)
            {
                const char* nameProblem = LineProblem(strlen(PROJECTOR) + name.size(), name);
                if (nameProblem == nullptr && StartsWithBlank(name))
                    nameProblem = "starts with a blank or tab";
                if (const char* problem = nameProblem)
                {
                    LOG_PRINT(Log::LEVEL_ERROR, "unable to write file '%s': the name of projector '%s' %s", fileName,
                              name.c_str(), problem);
                    return FILE_OPEN_ERROR;
                }
                text.append(PROJECTOR).append(name).append(LINE_END);
                headerWritten = true;
            }
            // "C, name, value"
            const std::string value = WrittenValue(*entry);
            if (const char* problem = EntryProblem(*entry, value))
            {
                LOG_PRINT(Log::LEVEL_ERROR, "unable to write file '%s': entry '%s' of projector '%s' %s", fileName,
                          entry->name.c_str(), name.c_str(), problem);
                return FILE_OPEN_ERROR;
            }
            text.append(entry->kind == ProjectorEntry::COMMAND ? "C, " : "P, ");
            text.append(entry->name).append(", ").append(value).append(LINE_END);
        }
    }

    const std::string tmpName = source->fileName + SAVE_SUFFIX;
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
