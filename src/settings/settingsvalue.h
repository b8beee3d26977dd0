#pragma once

#include <wx/string.h>

// Whether a value can stand on its one line of the settings file: no line
// break and no other control character (C0, DEL, C1, the Unicode line and
// paragraph separators). A field that takes a pasted line checks its text
// with this before the text is stored.
bool IsSingleLineText(const wxString& value);

// Whether a password is read back from the settings file as it was written:
// a single line without blanks at either end (the reader skips the blanks
// after the equals sign, and blanks at the end cannot be seen in a masked
// field).
bool IsStorablePassword(const wxString& value);
