#include "controls/picturefile.h"

#include "log/log.h"
#include "platform/installedfiles.h"
#include "platform/regularfile.h"

#include <wx/image.h>
#include <wx/log.h>
#include <wx/mstream.h>

#include <string>

namespace {

// Far above any picture the window uses; a larger file is not one of ours.
constexpr size_t MAX_PICTURE_BYTES = 16 * 1024 * 1024;

} // namespace

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
    // Read through the non-blocking open: a named pipe in the picture's
    // place must not hang the start.
    std::string data;
    wxString reason;
    wxImage image;
    bool loaded = ReadRegularFile(fileName, data, reason, MAX_PICTURE_BYTES);
    if (loaded)
    {
        wxLogNull quiet; // failures are reported below, once
        wxMemoryInputStream stream(data.data(), data.size());
        loaded = image.LoadFile(stream, wxBITMAP_TYPE_ANY);
        if (!loaded)
            reason = "not a picture the program can read";
    }
    if (!loaded)
    {
        if (theLog)
            theLog->Print(Log::LEVEL_WARNING, "cannot load picture %s: %s",
                          static_cast<const char*>(fileName.mb_str()),
                          static_cast<const char*>(reason.mb_str()));
        return wxBitmap();
    }
    return wxBitmap(image);
}
