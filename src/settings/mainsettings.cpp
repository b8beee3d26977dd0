#include "settings/mainsettings.h"

#include "platform/appdatafolder.h"
#include "platform/installedfiles.h"

#include <wx/filefn.h>

const char* const DEFAULT_PASSWORD = "lemon";

wxString DefaultFileName(const wxString& appDataFolder, unsigned fileNumber)
{
    // Without a data folder there is no place for the files: none is named.
    if (appDataFolder.empty())
        return wxString();
    return appDataFolder + (fileNumber == FILE_REFERENCE ? "/AulavoxMaster.txt" : "/CustomList.txt");
}

wxString DefaultFileUrl(const wxString& workingDirectory, unsigned fileNumber)
{
    return fileNumber == FILE_REFERENCE ? DefaultReferenceUrl(workingDirectory) : wxString();
}

bool IsDefaultProjectorName(const wxString& name, const wxString& defaultName)
{
    return !defaultName.empty() && name.CmpNoCase(defaultName) == 0;
}

MainSettings::MainSettings(const SettingsStore* store, const wxString& appDataFolder,
                           const wxString& workingDirectory)
    : m_store(store), m_appDataFolder(appDataFolder), m_workingDirectory(workingDirectory)
{
}

wxString MainSettings::Text(const wxString& key, const wxString& fallback) const
{
    wxString value;
    if (m_store != nullptr && m_store->Read(key, &value))
        return value;
    return fallback;
}

bool MainSettings::Flag(const wxString& key, bool fallback) const
{
    // A bool is stored as a whole number, non-zero meaning true.
    long value = 0;
    if (m_store == nullptr || !m_store->HasEntry(key))
        return fallback;
    m_store->Read(key, &value);
    return value != 0;
}

long MainSettings::Number(const wxString& key, long fallback) const
{
    if (m_store == nullptr || !m_store->HasEntry(key))
        return fallback;
    // A text the toolkit cannot read whole ("250ms") leaves what its
    // conversion made of it (250), or 0 when nothing could be read.
    long value = 0;
    m_store->Read(key, &value);
    return value;
}

wxString MainSettings::FileName(unsigned fileNumber) const
{
    return Text(FileNameKey(fileNumber), DefaultFileName(m_appDataFolder, fileNumber));
}

wxString MainSettings::FileUrl(unsigned fileNumber) const
{
    return Text(FileUrlKey(fileNumber), DefaultFileUrl(m_workingDirectory, fileNumber));
}

bool MainSettings::AutoCheck() const
{
    return Flag(KEY_STARTUP_AUTOCHECK, DEFAULT_AUTO_CHECK);
}

bool MainSettings::AutoDownload() const
{
    return Flag(KEY_STARTUP_AUTODOWNLOAD, DEFAULT_AUTO_DOWNLOAD);
}

bool MainSettings::AllowChange() const
{
    return Flag(KEY_PROJ_ALLOWCHANGE, DEFAULT_ALLOW_CHANGE);
}

wxString MainSettings::DefaultProjector() const
{
    return Text(KEY_PROJ_DEFAULT, wxString());
}

wxString MainSettings::Password() const
{
    return Text(KEY_OPTIONS_PASSWORD, DEFAULT_PASSWORD);
}

bool MainSettings::WhiteBoardMode() const
{
    return Flag(KEY_OPTIONS_WHITEBOARDMODE, DEFAULT_WHITEBOARD_MODE);
}

bool MainSettings::StayOnTop() const
{
    return Flag(KEY_OPTIONS_STAYONTOP, DEFAULT_STAY_ON_TOP);
}

long MainSettings::FreezeDelay() const
{
    return Number(KEY_OPTIONS_FREEZEDELAY, DEFAULT_FREEZE_DELAY_MS);
}

wxString MainSettings::FreezeDelayText() const
{
    return Text(KEY_OPTIONS_FREEZEDELAY, wxString::Format("%ld", DEFAULT_FREEZE_DELAY_MS));
}

long MainSettings::IdleOffMinutes() const
{
    long minutes = DEFAULT_IDLE_OFF_MINUTES;
    return ParseIdleOffMinutes(IdleOffMinutesText(), minutes) ? minutes : DEFAULT_IDLE_OFF_MINUTES;
}

wxString MainSettings::IdleOffMinutesText() const
{
    return Text(KEY_OPTIONS_IDLEOFFMINUTES, wxString::Format("%ld", DEFAULT_IDLE_OFF_MINUTES));
}

bool ParseIdleOffMinutes(const wxString& text, long& minutes)
{
    const wxString digits = wxString(text).Trim(true).Trim(false);
    if (digits.empty() || digits.length() > 4 || digits.find_first_not_of("0123456789") != wxString::npos)
        return false;
    long value = 0;
    if (!digits.ToLong(&value) || value < 0 || value > MAX_IDLE_OFF_MINUTES)
        return false;
    minutes = value;
    return true;
}

MainSettings CurrentSettings()
{
    // The shipped reference file: the working folder's data/, else the installed one.
    return MainSettings(theSettings, theAppDataFolder, ShippedDataBaseFolder(wxGetCwd(), InstalledDataFolder()));
}
