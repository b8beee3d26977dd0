#pragma once

#include <wx/string.h>

// The folder shared by the program's settings and projector files:
// $XDG_DATA_HOME (when set and absolute) or the home folder's .local/share,
// plus the vendor name. It is created with any missing parents. Returns an
// empty text, having logged an Error naming the folder and the reason, when
// no home folder is known or the folder cannot be created: the program then
// writes no file at all.
wxString FindAppDataFolder(const wxString& vendorName);

// The user's home folder: $HOME when set and absolute, else the password
// database's entry for the user; "" when neither is known.
wxString HomeFolder();

// The folder found at start-up, for the whole run.
extern wxString theAppDataFolder;
