#pragma once

#include <wx/string.h>

// The program's version, as shown in the About box.
extern const wxString theVersionText;
