#include "settings/settings.h"

#include "log/log.h"
#include "log/toolkitlog.h"
#include "platform/regularfile.h"
#include "platform/replacefile.h"
#include "settings/settingstext.h"
#include "settings/settingsvalue.h"

#include <wx/filefn.h>
#include <wx/mstream.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>
#include <sys/stat.h>
#include <unistd.h>

SettingsStore* theSettings = nullptr;

namespace {

// What is read into memory at most: about five times what the program
// writes for 100,000 schedules (13 MB). A larger file is left alone, never
// moved aside: its size alone does not make it no settings file. The
// toolkit holds some thirty times the file's size in memory while it reads.
constexpr std::size_t MAX_SETTINGS_BYTES = 64 * 1024 * 1024;
const char* const MAX_SETTINGS_TEXT = "64 MiB";
constexpr mode_t SETTINGS_MODE = 0600;

void LogAt(unsigned level, const char* format, const wxString& first, const wxString& second)
{
    if (theLog != nullptr)
        theLog->Print(level, format, static_cast<const char*>(first.utf8_str()),
                      static_cast<const char*>(second.utf8_str()));
}

void LogError(const char* format, const wxString& first, const wxString& second = wxString())
{
    LogAt(Log::LEVEL_ERROR, format, first, second);
}

// Names the lines whose odd control characters were left out; the first
// few are enough to find them.
void LogOddLines(const wxString& path, const std::vector<unsigned>& lines)
{
    constexpr std::size_t SHOWN = 10;
    wxString numbers = lines.size() == 1 ? "line " : "lines ";
    for (std::size_t i = 0; i < lines.size() && i < SHOWN; ++i)
        numbers << (i == 0 ? "" : ", ") << lines[i];
    if (lines.size() > SHOWN)
        numbers << wxString::Format(" and %zu more", lines.size() - SHOWN);
    LogAt(Log::LEVEL_WARNING, "the settings file '%s' holds control characters in %s; they were left out",
          path, numbers);
}

wxString ErrnoText(int error)
{
    return wxString::FromUTF8(strerror(error));
}

bool Exists(const wxString& path)
{
    struct stat info;
    return lstat(path.fn_str(), &info) == 0;
}

// Moves a file the program cannot read aside as NAME.bad; an older NAME.bad
// goes to the first free NAME.bad.N first. Returns the new name, or "" with
// reason set.
wxString MoveAside(const wxString& path, wxString& reason)
{
    const wxString bad = path + ".bad";
    if (Exists(bad))
    {
        wxString older;
        for (unsigned n = 1; older.empty() || Exists(older); ++n)
            older = wxString::Format("%s.%u", bad, n);
        if (rename(bad.fn_str(), older.fn_str()) != 0)
        {
            reason = ErrnoText(errno);
            return wxString();
        }
    }
    if (rename(path.fn_str(), bad.fn_str()) != 0)
    {
        reason = ErrnoText(errno);
        return wxString();
    }
    return bad;
}

enum class ReadResult
{
    READ,
    FAILED,
    TOO_LARGE,
};

ReadResult ReadAll(int fd, std::string& bytes, wxString& reason)
{
    struct stat info;
    if (fstat(fd, &info) != 0)
    {
        reason = ErrnoText(errno);
        return ReadResult::FAILED;
    }
    if (static_cast<unsigned long long>(info.st_size) > MAX_SETTINGS_BYTES)
        return ReadResult::TOO_LARGE;
    bytes.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[16384];
    for (;;)
    {
        const ssize_t got = read(fd, buffer, sizeof(buffer));
        if (got < 0)
        {
            if (errno == EINTR)
                continue;
            reason = ErrnoText(errno);
            return ReadResult::FAILED;
        }
        if (got == 0)
            return ReadResult::READ;
        if (bytes.size() + static_cast<std::size_t>(got) > MAX_SETTINGS_BYTES)
            return ReadResult::TOO_LARGE;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
}

// The store reads the very file that was checked, through its descriptor,
// never the path again (which could be a pipe by now).
wxString PathOfDescriptor(int fd, const wxString& fallback)
{
    const wxString path = wxString::Format("/proc/self/fd/%d", fd);
    return wxFileExists(path) ? path : fallback;
}

} // namespace

SettingsStore::SettingsStore(const wxString& readPath, const wxString& writePath, const std::string& onDisk,
                             bool exists)
    : wxFileConfig("AulavoxKesto", "AulavoxTech", readPath, wxEmptyString,
                   (readPath.empty() ? 0 : wxCONFIG_USE_LOCAL_FILE) | wxCONFIG_USE_NO_ESCAPE_CHARACTERS,
                   SettingsTextConv()),
      m_writePath(writePath), m_onDisk(onDisk), m_exists(exists)
{
    // The toolkit's own saving would write to the path it read from.
    DisableAutoSave();
}

SettingsStore::~SettingsStore()
{
    Flush();
}

bool SettingsStore::DoWriteString(const wxString& key, const wxString& value)
{
    // A line break would end the line early and cut the value; other
    // control characters the reader leaves out.
    if (!IsSingleLineText(key))
    {
        LogError("a setting was not written: its name holds a line break or another control character", wxString());
        return false;
    }
    if (!IsSingleLineText(value))
    {
        LogError("the setting '%s' was not written: its value holds a line break or another control character; "
                 "the old value is kept",
                 key);
        return false;
    }
    return wxFileConfig::DoWriteString(key, value);
}

bool SettingsStore::Flush(bool)
{
    if (m_writePath.empty())
        return true;
    wxMemoryOutputStream stream;
    if (!Save(stream, wxConvUTF8))
    {
        LogError("unable to write the settings file '%s': %s", m_writePath, "the settings cannot be converted");
        return false;
    }
    std::string text(stream.GetLength(), '\0');
    stream.CopyTo(&text[0], text.size());
    if (m_exists && text == m_onDisk)
        return true;
    if (!m_exists && text.empty())
        return true;
    wxString reason;
    if (!ReplaceFile(m_writePath, text, SETTINGS_MODE, reason))
    {
        LogError("unable to write the settings file '%s': %s", m_writePath, reason);
        return false;
    }
    m_onDisk.swap(text);
    m_exists = true;
    return true;
}

SettingsStore* OpenSettingsStore(const wxString& fileName)
{
    if (fileName.empty())
        return new SettingsStore(wxString(), wxString(), std::string(), false);

    wxString reason;
    const wxString target = FinalLinkTarget(fileName, reason);
    if (target.empty())
    {
        LogError("unable to use the settings file '%s': %s; the settings are kept in memory only", fileName,
                 reason);
        return new SettingsStore(wxString(), wxString(), std::string(), false);
    }
    RemoveStaleReplacements(target);
    if (!Exists(target))
        return new SettingsStore(wxString(), target, std::string(), false);

    const int fd = OpenRegularFileForReading(target, reason);
    std::string bytes;
    const ReadResult read = fd >= 0 ? ReadAll(fd, bytes, reason) : ReadResult::FAILED;
    if (read == ReadResult::FAILED)
    {
        // Not readable, or no regular file: never overwrite it.
        if (fd >= 0)
            close(fd);
        LogError("unable to read the settings file '%s': %s; the settings are kept in memory only", target, reason);
        return new SettingsStore(wxString(), wxString(), std::string(), false);
    }
    if (read == ReadResult::TOO_LARGE)
    {
        close(fd);
        LogError("the settings file '%s' is larger than %s: it is left as it is and the settings are kept in "
                 "memory only",
                 target, MAX_SETTINGS_TEXT);
        return new SettingsStore(wxString(), wxString(), std::string(), false);
    }
    std::vector<unsigned> oddLines;
    if (!DecodeSettingsText(bytes.data(), bytes.size(), nullptr, &oddLines))
    {
        close(fd);
        const wxString bad = MoveAside(target, reason);
        if (bad.empty())
        {
            LogError("the settings file '%s' is no text and cannot be moved aside (%s); the settings are kept in "
                     "memory only",
                     target, reason);
            return new SettingsStore(wxString(), wxString(), std::string(), false);
        }
        LogError("the settings file '%s' is no text: moved aside to '%s'; starting from the defaults", target, bad);
        return new SettingsStore(wxString(), target, std::string(), false);
    }
    if (!oddLines.empty())
        LogOddLines(target, oddLines);
    const wxString readPath = PathOfDescriptor(fd, target);
    const ToolkitFileNameAlias alias(readPath, target); // the store's messages name the file
    SettingsStore* store = new SettingsStore(readPath, target, bytes, true);
    close(fd);
    return store;
}
