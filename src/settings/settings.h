#pragma once

#include <wx/fileconf.h>
#include <wx/string.h>

// The one settings file of the program (AulavoxKesto.ini).
using SettingsStore = wxFileConfig;

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

enum : unsigned
{
    FILE_REFERENCE = 1,
    FILE_USER = 2,
};

wxString FileNameKey(unsigned fileNumber);
wxString FileUrlKey(unsigned fileNumber);

// Opens the settings file: local file only, no global file, escapes off,
// text read with BOM detection and written as UTF-8.
SettingsStore* OpenSettingsStore(const wxString& fileName);

// The settings file inside the application-data folder.
wxString SettingsFilePath(const wxString& appDataFolder);

// Default URL of the reference file: the shipped data/AulavoxMaster.txt
// below the given working directory, as a file:// URL.
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
