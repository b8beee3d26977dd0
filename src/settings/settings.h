#pragma once

#include <wx/fileconf.h>
#include <wx/string.h>

#include <string>

// The one settings file of the program (AulavoxKesto.ini): the toolkit's
// file-based store, but read and written by the program itself, so that
// what it reads is checked first and what it writes replaces the file in
// one step (see OpenSettingsStore).
class SettingsStore : public wxFileConfig
{
public:
    ~SettingsStore() override;

    // Writes the settings when they differ from the file: UTF-8, mode 0600,
    // through a symbolic link to its target, by a temporary file beside the
    // target renamed over it. Logs an Error when that fails. Does nothing
    // for a store kept in memory only.
    bool Flush(bool currentOnly = false) override;

    // The file the settings are written to; "" when kept in memory only.
    const wxString& GetWritePath() const { return m_writePath; }

protected:
    // Refuses a key or value that would not stay on its one line of the
    // file (see IsSingleLineText): logs an Error and keeps the old value.
    bool DoWriteString(const wxString& key, const wxString& value) override;

private:
    friend SettingsStore* OpenSettingsStore(const wxString& fileName);

    SettingsStore(const wxString& readPath, const wxString& writePath, const std::string& onDisk, bool exists);

    wxString m_writePath;
    std::string m_onDisk; // the file's bytes as last read or written
    bool m_exists;        // whether the file exists, as far as the store knows
};

extern SettingsStore* theSettings;

// Key formats and keys; file number 1 is the reference file, 2 the user file.
#define KEY_FILES_NAME_FMT "/Files/Name%u"
#define KEY_FILES_URL_FMT "/Files/URL%u"
#define KEY_STARTUP_AUTOCHECK "/StartUp/AutoCheck"
#define KEY_STARTUP_AUTODOWNLOAD "/StartUp/AutoDownload"
#define KEY_PROJ_ALLOWCHANGE "/Proj/AllowChange"
#define KEY_PROJ_DEFAULT "/Proj/Default"
#define KEY_OPTIONS_PASSWORD "/Options/Password"
#define KEY_OPTIONS_WHITEBOARDMODE "/Options/WhiteBoardMode"
#define KEY_OPTIONS_STAYONTOP "/Options/StayOnTop"
#define KEY_OPTIONS_FREEZEDELAY "/Options/FreezeDelay"
#define KEY_OPTIONS_IDLEOFFMINUTES "/Options/IdleOffMinutes"

enum : unsigned
{
    FILE_REFERENCE = 1,
    FILE_USER = 2,
};

wxString FileNameKey(unsigned fileNumber);
wxString FileUrlKey(unsigned fileNumber);

// Opens the settings file: local file only, no global file, escapes off,
// text read with or without a byte-order mark (UTF-8, UTF-16, UTF-32; no
// mark and no valid UTF-8: Latin-1) and written as UTF-8. The file is
// opened without waiting and read only when it is a regular file. Control
// characters in its lines (other than tab and page ends) are left out with
// a Warning naming the lines. Any other problem is logged as an Error and the
// program goes on from the defaults:
// - a file that is no text (see DecodeSettingsText) is moved aside as
//   NAME.bad (an older one moves to NAME.bad.1, NAME.bad.2, ...) and a new
//   file is written later;
// - a file that cannot be read, is no regular file (a folder, a pipe, a
//   device) or is larger than 64 MiB is left alone and the settings are
//   kept in memory only;
// - an empty fileName (no data folder) keeps them in memory only.
// Temporary files of a run killed while writing are removed first.
SettingsStore* OpenSettingsStore(const wxString& fileName);

// The settings file inside the application-data folder.
wxString SettingsFilePath(const wxString& appDataFolder);

// Default URL of the reference file: the shipped data/AulavoxMaster.txt
// below the given working directory, as a file:// URL (percent-encoded, so
// that a folder with blanks or "#" in its name is named right).
wxString DefaultReferenceUrl(const wxString& workingDirectory);

// Reads every key of the main table with its default, in the fixed order,
// so that missing keys are recorded; leaves recording on and writes the
// file at once (a killed process must not lose the defaults).
void RecordDefaults(SettingsStore& store, const wxString& appDataFolder,
                    const wxString& workingDirectory);

// Writes pending changes to the file with recording off meanwhile, so the
// flush itself records nothing.
void FlushSettings(SettingsStore& store);
// The same for theSettings (nothing to do without one); returns 0.
int FlushSettings();
