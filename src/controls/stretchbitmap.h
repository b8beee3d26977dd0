#pragma once

#include <wx/bitmap.h>

// Widens a button face to newWidth: the source's left part (all but the last
// cap pixels) is kept, its last cap pixels end the result, and the gap
// between is filled from the left with copies of the source's middle part
// (x = cap to width - cap), the last copy cut to the room left. The height
// stays. A source that is not narrower than newWidth, or not wider than
// twice the cap (no middle part to repeat), is returned unchanged.
wxBitmap StretchBitmap(const wxBitmap& source, int newWidth, int cap);
