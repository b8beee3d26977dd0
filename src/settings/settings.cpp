#include "settings/settings.h"

#include "platform/fileurl.h"
#include "settings/campussettings.h"
#include "settings/mainsettings.h"

#include <wx/filename.h>
#include <wx/strconv.h>

wxString FileNameKey(unsigned fileNumber)
{
    return wxString::Format(KEY_FILES_NAME_FMT, fileNumber);
}

wxString FileUrlKey(unsigned fileNumber)
{
    return wxString::Format(KEY_FILES_URL_FMT, fileNumber);
}

wxString SettingsFilePath(const wxString& appDataFolder)
{
    return appDataFolder + "/AulavoxKesto.ini";
}

wxString DefaultReferenceUrl(const wxString& workingDirectory)
{
    wxString dir = workingDirectory;
    while (dir.EndsWith("/"))
        dir.RemoveLast();
    return FileUrlOfPath(dir + "/data/AulavoxMaster.txt");
}

void RecordDefaults(SettingsStore& store, const wxString& appDataFolder,
                    const wxString& workingDirectory)
{
    store.SetRecordDefaults(true);

    wxString text;
    bool flag = false;
    long number = 0;
    for (unsigned file : {FILE_REFERENCE, FILE_USER})
    {
        store.Read(FileNameKey(file), &text, DefaultFileName(appDataFolder, file));
        store.Read(FileUrlKey(file), &text, DefaultFileUrl(workingDirectory, file));
    }
    store.Read(KEY_STARTUP_AUTOCHECK, &flag, DEFAULT_AUTO_CHECK);
    store.Read(KEY_STARTUP_AUTODOWNLOAD, &flag, DEFAULT_AUTO_DOWNLOAD);
    store.Read(KEY_PROJ_ALLOWCHANGE, &flag, DEFAULT_ALLOW_CHANGE);
    store.Read(KEY_PROJ_DEFAULT, &text, wxString());
    store.Read(KEY_OPTIONS_PASSWORD, &text, wxString(DEFAULT_PASSWORD));
    store.Read(KEY_OPTIONS_WHITEBOARDMODE, &flag, DEFAULT_WHITEBOARD_MODE);
    store.Read(KEY_OPTIONS_STAYONTOP, &flag, DEFAULT_STAY_ON_TOP);
    store.Read(KEY_OPTIONS_FREEZEDELAY, &number, DEFAULT_FREEZE_DELAY_MS);
    RecordCampusDefaults(store);

    FlushSettings(store);
}

void FlushSettings(SettingsStore& store)
{
    store.SetRecordDefaults(false);
    store.Flush();
    store.SetRecordDefaults(true);
}

int FlushSettings()
{
    if (theSettings != nullptr)
        FlushSettings(*theSettings);
    return 0;
}
