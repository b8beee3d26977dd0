#include "settings/settings.h"

#include <wx/filename.h>
#include <wx/strconv.h>

SettingsStore* theSettings = nullptr;

wxString FileNameKey(unsigned fileNumber)
{
    return wxString::Format(KEY_FILES_NAME_FMT, fileNumber);
}

wxString FileUrlKey(unsigned fileNumber)
{
    return wxString::Format(KEY_FILES_URL_FMT, fileNumber);
}

SettingsStore* OpenSettingsStore(const wxString& fileName)
{
    return new SettingsStore("AulavoxKesto", "AulavoxTech", fileName, wxEmptyString,
                             wxCONFIG_USE_LOCAL_FILE | wxCONFIG_USE_NO_ESCAPE_CHARACTERS,
                             wxConvAuto());
}

wxString SettingsFilePath(const wxString& appDataFolder)
{
    return appDataFolder + "/AulavoxKesto.ini";
}

wxString DefaultReferenceUrl(const wxString& workingDirectory)
{
    wxString dir = workingDirectory;
    if (dir.EndsWith("/"))
        dir.RemoveLast();
    return "file://" + dir + "/data/AulavoxMaster.txt";
}

void RecordDefaults(SettingsStore& store, const wxString& appDataFolder,
                    const wxString& workingDirectory)
{
    store.SetRecordDefaults(true);

    wxString text;
    bool flag = false;
    long number = 0;
    store.Read(FileNameKey(FILE_REFERENCE), &text, appDataFolder + "/AulavoxMaster.txt");
    store.Read(FileUrlKey(FILE_REFERENCE), &text, DefaultReferenceUrl(workingDirectory));
    store.Read(FileNameKey(FILE_USER), &text, appDataFolder + "/CustomList.txt");
    store.Read(FileUrlKey(FILE_USER), &text, wxString());
    store.Read(KEY_STARTUP_AUTOCHECK, &flag, false);
    store.Read(KEY_STARTUP_AUTODOWNLOAD, &flag, false);
    store.Read(KEY_PROJ_ALLOWCHANGE, &flag, true);
    store.Read(KEY_PROJ_DEFAULT, &text, wxString());
    store.Read(KEY_OPTIONS_PASSWORD, &text, wxString("lemon"));
    store.Read(KEY_OPTIONS_WHITEBOARDMODE, &flag, false);
    store.Read(KEY_OPTIONS_STAYONTOP, &flag, false);
    store.Read(KEY_OPTIONS_FREEZEDELAY, &number, 500L);

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
