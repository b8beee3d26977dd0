#pragma once

#include "settings/settings.h"

#include <wx/string.h>

// The defaults of the main table, in one place: the recording at start-up
// and the reads after it both take them from here.
constexpr bool DEFAULT_AUTO_CHECK = false;
constexpr bool DEFAULT_AUTO_DOWNLOAD = false;
constexpr bool DEFAULT_ALLOW_CHANGE = true;
constexpr bool DEFAULT_WHITEBOARD_MODE = false;
constexpr bool DEFAULT_STAY_ON_TOP = false;
constexpr long DEFAULT_FREEZE_DELAY_MS = 500;
// An unused room is never turned off unless an installer sets a time.
constexpr long DEFAULT_IDLE_OFF_MINUTES = 0;
constexpr long MAX_IDLE_OFF_MINUTES = 1440;
extern const char* const DEFAULT_PASSWORD;

// The projector file of the given number inside the application-data folder
// ("" without a data folder).
wxString DefaultFileName(const wxString& appDataFolder, unsigned fileNumber);
// The reference file's URL (the shipped sample below the working folder);
// the user file has none.
wxString DefaultFileUrl(const wxString& workingDirectory, unsigned fileNumber);

// The minutes of "/Options/IdleOffMinutes" when the text is a whole number
// from 0 to MAX_IDLE_OFF_MINUTES, digits only (blanks around them allowed).
bool ParseIdleOffMinutes(const wxString& text, long& minutes);

// Whether a projector's name is the one "/Proj/Default" names: compared
// without regard to case, as projector names are everywhere.
bool IsDefaultProjectorName(const wxString& name, const wxString& defaultName);

// Typed reads of the main table once start-up has recorded the defaults.
// Every read is made without a default, so nothing is ever recorded and a
// value stands as the store holds it: a FreezeDelay of "250ms" is read as
// the toolkit converts it (250) and stays "250ms" in the file. A key that is
// missing all the same gives its default, which is not written. A null store
// gives every default.
class MainSettings
{
public:
    MainSettings(const SettingsStore* store, const wxString& appDataFolder,
                 const wxString& workingDirectory);

    wxString FileName(unsigned fileNumber) const;
    wxString FileUrl(unsigned fileNumber) const;
    bool AutoCheck() const;
    bool AutoDownload() const;
    bool AllowChange() const;
    wxString DefaultProjector() const;
    wxString Password() const;
    bool WhiteBoardMode() const;
    bool StayOnTop() const;
    long FreezeDelay() const;        // as a whole number, the toolkit's conversion
    wxString FreezeDelayText() const; // as it stands, for the configuration's field
    // 0 (never) for a text that is no valid number of minutes: an unused
    // room is then left alone rather than turned off at a guessed time.
    long IdleOffMinutes() const;
    wxString IdleOffMinutesText() const;

private:
    wxString Text(const wxString& key, const wxString& fallback) const;
    bool Flag(const wxString& key, bool fallback) const;
    long Number(const wxString& key, long fallback) const;

    const SettingsStore* m_store;
    wxString m_appDataFolder;
    wxString m_workingDirectory;
};

// The program's own settings: the process-wide store and data folder, and
// the working folder of the moment.
MainSettings CurrentSettings();
