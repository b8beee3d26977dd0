#include "controls/picturefile.h"

#include "log/log.h"
#include "platform/installedfiles.h"

#include <wx/filefn.h>
#include <wx/image.h>
#include <wx/log.h>

wxString PictureFilePath(const wxString& fileName)
{
    if (!fileName.StartsWith("images/"))
        return fileName;
    const wxString workingFolder = wxGetCwd();
    const wxString base = PictureBaseFolder(workingFolder, InstalledDataFolder());
    return base == workingFolder ? fileName : base + "/" + fileName;
}

wxBitmap LoadPictureFile(const wxString& name)
{
    const wxString fileName = PictureFilePath(name);
    wxImage image;
    bool loaded = false;
    if (wxFileExists(fileName))
    {
        wxLogNull quiet; // failures are reported below, once
        loaded = image.LoadFile(fileName, wxBITMAP_TYPE_ANY);
    }
    if (!loaded)
    {
        if (theLog)
            theLog->Print(Log::LEVEL_WARNING, "cannot load picture %s",
                          static_cast<const char*>(fileName.mb_str()));
        return wxBitmap();
    }
    return wxBitmap(image);
}
