#include "platform/installedfiles.h"

#include <wx/dir.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/log.h>

#include <climits>
#include <unistd.h>

namespace {

bool HoldsPictures(const wxString& folder)
{
    const wxString images = folder + "/images";
    wxLogNull quiet; // an unreadable folder simply holds no pictures
    return wxDirExists(images) && wxDir::FindFirst(images, "*.png", wxDIR_FILES) != wxString();
}

bool HoldsReferenceFile(const wxString& folder)
{
    return wxFileExists(folder + "/data/AulavoxMaster.txt");
}

} // namespace

wxString InstalledDataFolder()
{
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (length <= 0)
        return wxString();
    path[length] = '\0';
    return InstalledDataFolderOf(wxString::FromUTF8(path));
}

wxString InstalledDataFolderOf(const wxString& executablePath)
{
    const wxFileName executable(executablePath);
    if (!executable.IsAbsolute())
        return wxString();
    wxArrayString dirs = executable.GetDirs();
    if (dirs.empty() || dirs.Last() != "bin")
        return wxString();
    wxFileName share(executable);
    share.RemoveLastDir();
    share.AppendDir("share");
    share.AppendDir("aulavox-kesto");
    return share.GetPath();
}

wxString PictureBaseFolder(const wxString& workingFolder, const wxString& installedFolder)
{
    if (!HoldsPictures(workingFolder) && !installedFolder.empty() && HoldsPictures(installedFolder))
        return installedFolder;
    return workingFolder;
}

wxString ShippedDataBaseFolder(const wxString& workingFolder, const wxString& installedFolder)
{
    if (!HoldsReferenceFile(workingFolder) && !installedFolder.empty() && HoldsReferenceFile(installedFolder))
        return installedFolder;
    return workingFolder;
}
