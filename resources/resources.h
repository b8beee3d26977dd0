#pragma once

#include <wx/bitmap.h>
#include <wx/icon.h>
#include <wx/string.h>

// Pictures compiled into the program, found by name: "AppIcon" (the window
// and tray icon) and "CheckBmp" (the check mark of the view menu).
// An unknown name or a damaged picture gives an invalid bitmap or icon.
wxBitmap LoadResourceBitmap(const wxString& name);
wxIcon LoadResourceIcon(const wxString& name);
