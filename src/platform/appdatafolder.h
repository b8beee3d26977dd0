#pragma once

#include <wx/string.h>

// The folder shared by the program's settings and projector files:
// $XDG_DATA_HOME (when set and absolute) or $HOME/.local/share, plus the
// vendor name. It is created with any missing parents. Returns an empty
// text when no base folder is known or the folder cannot be created.
wxString FindAppDataFolder(const wxString& vendorName);

// The folder found at start-up, for the whole run.
extern wxString theAppDataFolder;
