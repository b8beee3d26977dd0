#pragma once

#include <wx/string.h>

// The file:// URL of an absolute path: the path's bytes in the file
// system's encoding, every byte other than a letter, a digit, "-", ".",
// "_", "~" and "/" written as %XX. So "/srv/a b#c" gives
// "file:///srv/a%20b%23c". Returns "" for a path that is not absolute or
// cannot be written in the file system's encoding.
wxString FileUrlOfPath(const wxString& path);
