#include "controls/picturefile.h"

#include "log/log.h"

#include <wx/filefn.h>
#include <wx/image.h>
#include <wx/log.h>

wxBitmap LoadPictureFile(const wxString& fileName)
{
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
