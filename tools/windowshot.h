#pragma once

#include <wx/string.h>

class wxWindow;

// Runs the toolkit's pending events for about this long, so that windows
// are laid out and painted before they are captured.
void Pump(int milliseconds);

// Saves what the screen shows of the window as a PNG; false on failure.
bool SaveWindow(wxWindow* window, const wxString& fileName);
