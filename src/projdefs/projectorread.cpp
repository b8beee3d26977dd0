// ProjectorList::ReadSource: the projector file reader.
#include "projdefs/projectorlist.h"

#include "projdefs/logprint.h"
#include "projdefs/nocase.h"
#include "projdefs/parsecommand.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// Lines are taken in pieces of at most this many characters (newline
// included); the rest of a longer line is the next piece.
const size_t LINE_PIECE = 1022;

// Reads the whole file into `content`. Only a regular file is accepted: a
// folder or a device is no projector file (and could be endless).
bool LoadFile(const std::string& fileName, std::string* content)
{
    FILE* file = fopen(fileName.c_str(), "r");
    if (file == nullptr)
        return false;
    struct stat info;
    bool ok = fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode);
    if (ok)
    {
        content->clear();
        if (info.st_size > 0)
            content->reserve(static_cast<size_t>(info.st_size));
        char block[65536];
        size_t n;
        while ((n = fread(block, 1, sizeof(block), file)) > 0)
            content->append(block, n);
        ok = ferror(file) == 0;
    }
    if (fclose(file) != 0)
        ok = false;
    return ok;
}

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

    // The whole file is read before anything changes, so that a read error
    // too leaves the list as it was.
    std::string content;
    if (!LoadFile(source->fileName, &content))
    {
        LOG_PRINT(Log::LEVEL_ERROR, "unable to open file '%s' for reading", fileName);
        return FILE_OPEN_ERROR;
    }

    RemoveSourceEntries(srcIndex);

    unsigned lineNumber = 0;
    bool versionSeen = false;
    Projector* current = nullptr;
    FileResult warnings = FILE_OK;
    char line[LINE_PIECE + 1];

    const char* next = content.data();
    const char* const end = next + content.size();
    while (next < end)
    {
        // One piece: up to and including a newline, at most LINE_PIECE characters.
        size_t available = static_cast<size_t>(end - next);
        size_t length = available < LINE_PIECE ? available : LINE_PIECE;
        const void* newline = memchr(next, '\n', length);
        if (newline != nullptr)
            length = static_cast<size_t>(static_cast<const char*>(newline) - next) + 1;
        memcpy(line, next, length);
        line[length] = '\0';
        next += length;

        ++lineNumber;
        // A NUL byte ends the line's text like the end of the line does.
        length = strlen(line);
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
            const std::string name = SkipBlanks(line + 10);
            current = FindProjector(name);
            if (current == nullptr)
                current = AddProjector(name);
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
    return warnings;
}
