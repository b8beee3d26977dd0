// ProjectorList::ReadSource: the projector file reader.
#include "projdefs/projectorlist.h"

#include "projdefs/logprint.h"
#include "projdefs/nocase.h"
#include "projdefs/parsecommand.h"
#include "projdefs/piecereader.h"
#include "platform/regularfile.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// Closes the file however the read ends.
class FileCloser
{
public:
    FileCloser(FILE* file, const char* fileName) : m_file(file), m_fileName(fileName) {}
    ~FileCloser()
    {
        if (fclose(m_file) != 0)
            LOG_PRINT(Log::LEVEL_WARNING, "unable to close file '%s': %s", m_fileName, strerror(errno));
    }
    FileCloser(const FileCloser&) = delete;
    FileCloser& operator=(const FileCloser&) = delete;

private:
    FILE* m_file;
    const char* m_fileName;
};

const char* SkipBlanks(const char* p)
{
    while (*p == ' ' || *p == '\t')
        ++p;
    return p;
}

} // namespace

FileResult ProjectorList::ReadSource(size_t srcIndex)
{
    ProjectorSource* source = GetSource(srcIndex);
    if (source == nullptr)
        return FILE_OPEN_ERROR;
    const char* fileName = source->fileName.c_str();
    LOG_PRINT(Log::LEVEL_INFO, "reading projector file %s", fileName);

    // Only a regular file is accepted, and the open itself never waits: a
    // named pipe would hang it, a folder opens on Linux and a device could be
    // endless. All are refused before anything changes.
    std::string reason;
    FILE* file = nullptr;
    const int fd = OpenRegularFileForReading(fileName, reason);
    if (fd >= 0)
    {
        file = fdopen(fd, "r");
        if (file == nullptr)
        {
            reason = strerror(errno);
            close(fd);
        }
    }
    if (file == nullptr)
    {
        LOG_PRINT(Log::LEVEL_INFO, "cannot read '%s': %s", fileName, reason.c_str());
        LOG_PRINT(Log::LEVEL_ERROR, "unable to open file '%s' for reading", fileName);
        return FILE_OPEN_ERROR;
    }
    FileCloser closer(file, fileName);
    PieceReader reader(file);

    RemoveSourceEntries(srcIndex);

    unsigned lineNumber = 0;
    bool versionSeen = false;
    Projector* current = nullptr;
    FileResult warnings = FILE_OK;
    char line[PieceReader::PIECE + 1];

    while (reader.Next(line) > 0)
    {
        ++lineNumber;
        // A NUL byte ends the line's text like the end of the line does.
        size_t length = strlen(line);
        while (length > 0 && (line[length - 1] == '\r' || line[length - 1] == '\n'))
            line[--length] = '\0';
        LOG_PRINT(Log::LEVEL_DEBUG4, "ReadSource: line [%s]", line);

        if (line[0] == '\0' || line[0] == '#')
            continue;

        if (!versionSeen)
        {
            if (!StartsWithNoCase(line, "version:", 8))
            {
                LOG_PRINT(Log::LEVEL_ERROR, "ReadSource: missing version at line %u file %s", lineNumber, fileName);
                return FILE_FORMAT_ERROR;
            }
            source->version = SkipBlanks(line + 8);
            versionSeen = true;
            continue;
        }

        if (StartsWithNoCase(line, "projector:", 10))
        {
            current = FindOrAddProjector(SkipBlanks(line + 10));
            continue;
        }

        if (current == nullptr)
        {
            LOG_PRINT(Log::LEVEL_ERROR, "ReadSource: a projector must be specified before data, line %u file %s",
                      lineNumber, fileName);
            return FILE_FORMAT_ERROR;
        }

        // Three fields: kind, name, and the rest of the line as value.
        const char* kindText = SkipBlanks(line);
        const char* comma1 = strchr(kindText, ',');
        const char* nameText = comma1 != nullptr ? SkipBlanks(comma1 + 1) : nullptr;
        const char* comma2 = nameText != nullptr ? strchr(nameText, ',') : nullptr;
        if (comma2 == nullptr)
        {
            LOG_PRINT(Log::LEVEL_WARNING, "ReadSource: data line must have 3 parameters, line %u file %s",
                      lineNumber, fileName);
            warnings = FILE_WARNINGS;
            continue;
        }
        const char* valueText = SkipBlanks(comma2 + 1);

        int kind;
        if (comma1 - kindText == 1 && kindText[0] == 'C')
            kind = ProjectorEntry::COMMAND;
        else if (comma1 - kindText == 1 && kindText[0] == 'P')
            kind = ProjectorEntry::PARAMETER;
        else
        {
            LOG_PRINT(Log::LEVEL_WARNING, "ReadSource: first parameter must be either 'C' or 'P', line %u file %s",
                      lineNumber, fileName);
            warnings = FILE_WARNINGS;
            continue;
        }

        const int errorPosition = ParseCommand(valueText);
        if (errorPosition != 0)
        {
            LOG_PRINT(Log::LEVEL_WARNING, "ReadSource: command has error at position %i, line %u file %s",
                      errorPosition, lineNumber, fileName);
            warnings = FILE_WARNINGS;
            continue;
        }

        auto entry = std::make_unique<ProjectorEntry>();
        entry->source = source->name;
        entry->kind = kind;
        entry->name.assign(nameText, comma2);
        entry->value = valueText;
        current->m_entries.push_back(std::move(entry));
    }
    if (reader.Failed())
    {
        // What was read before the failure stays, as after a format error.
        LOG_PRINT(Log::LEVEL_ERROR, "unable to read file '%s' after line %u", fileName, lineNumber);
        return FILE_OPEN_ERROR;
    }
    return warnings;
}
