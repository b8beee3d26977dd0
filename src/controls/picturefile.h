#pragma once

#include <wx/bitmap.h>
#include <wx/string.h>

// Reads a picture file of any type the toolkit knows. A missing or damaged
// file gives an empty bitmap and one warning in the log, not the toolkit's
// own message box (a modal box per picture before the window is usable).
wxBitmap LoadPictureFile(const wxString& fileName);
