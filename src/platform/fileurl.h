#pragma once

#include <wx/string.h>

#include <string>

// The file:// URL of an absolute path: the path's bytes in the file
// system's encoding, every byte other than a letter, a digit, "-", ".",
// "_", "~" and "/" written as %XX. So "/srv/a b#c" gives
// "file:///srv/a%20b%23c". Returns "" for a path that is not absolute or
// cannot be written in the file system's encoding.
wxString FileUrlOfPath(const wxString& path);

// The path part of a file URL with its %XX escapes decoded, as libcurl reads
// it: "/srv/a%20b" gives "/srv/a b"; a "%" without two hexadecimal digits
// after it stays as it is. False for "%00", which no path can hold.
bool DecodePercentEscapes(const std::string& text, std::string& decoded);
