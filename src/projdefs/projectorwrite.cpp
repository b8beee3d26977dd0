// ProjectorList::WriteSource: the projector file writer. The new text goes
// to a temporary file beside the file, which then takes its place in one
// rename (FileReplacement), so that a failure at any step leaves the old
// file as it was. A list that would not read back
// as written (a line break inside a text, a comma in an entry name, a line
// too long for the reader's pieces) is refused before anything is written.
#include "projdefs/projectorlist.h"

#include "platform/replacefile.h"
#include "projdefs/logprint.h"
#include "projdefs/piecereader.h"

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

    // Through a link to the file it names; a read-only file stays as it
    // is; in a folder that takes no new file, the file itself is rewritten.
    FileReplacement replacement(ReplaceOptions::SharedFile());
    std::string reason;
    if (!replacement.Open(source->fileName, reason))
    {
        LOG_PRINT(Log::LEVEL_ERROR, "unable to open file '%s' for writing: %s", fileName, reason.c_str());
        return FILE_OPEN_ERROR;
    }
    if (!replacement.Write(text.data(), text.size(), reason) || !replacement.Commit(reason))
    {
        LOG_PRINT(Log::LEVEL_ERROR, "unable to write file '%s': %s", fileName, reason.c_str());
        return FILE_OPEN_ERROR;
    }
    return FILE_OK;
}
