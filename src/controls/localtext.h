#pragma once

#include <wx/string.h>

#include <string>

// The projector definitions and the link work on 8-bit texts in the local
// character set; the windows on wide texts. When the local set cannot
// express a text (the "C" locale and a non-ASCII name), Latin-1 is used both
// ways, so a name survives the round trip.
wxString FromLocal8Bit(const std::string& text);
std::string ToLocal8Bit(const wxString& text);
