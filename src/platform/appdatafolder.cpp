#include "platform/appdatafolder.h"

#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/utils.h>

wxString theAppDataFolder;

namespace {

wxString BaseDataFolder()
{
    wxString xdg;
    if (wxGetEnv("XDG_DATA_HOME", &xdg) && xdg.StartsWith("/"))
        return xdg;
    wxString home;
    if (wxGetEnv("HOME", &home) && home.StartsWith("/"))
        return home + "/.local/share";
    return wxString();
}

} // namespace

wxString FindAppDataFolder(const wxString& vendorName)
{
    wxString folder = BaseDataFolder();
    if (folder.empty())
        return wxString();
    while (folder.EndsWith("/"))
        folder.RemoveLast();
    if (!vendorName.empty())
        folder += "/" + vendorName;
    if (wxDirExists(folder))
        return folder;
    wxLogNull quiet; // a failure is reported by the empty result, not by a log box
    if (!wxFileName::Mkdir(folder, wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL))
        return wxString();
    return folder;
}
