#pragma once

#include <wx/bitmap.h>
#include <wx/string.h>

// Reads a picture file of any type the toolkit knows. A missing or damaged
// file gives an empty bitmap and one warning in the log, not the toolkit's
// own message box (a modal box per picture before the window is usable).
// A name below images/ is read from the installed pictures when the
// working folder's images/ has none (see PictureFilePath).
wxBitmap LoadPictureFile(const wxString& name);

// Where a picture named "images/..." is read: relative to the working
// folder when its images/ holds any picture, else from the installed
// share/aulavox-kesto/images. Other names stand as given.
wxString PictureFilePath(const wxString& name);
