#pragma once

#include <wx/string.h>

class wxWindow;

// What screen readers learn about a window, through the desktop's
// accessibility interface (on GTK: its ATK object, which reaches AT-SPI).
// Where the toolkit offers no such interface these calls do nothing.

// The name read out for the window (a panel's title, a slider's purpose).
void SetAccessibleName(wxWindow* window, const wxString& name);

// Shows a control that draws itself as a push button: this name, its lit
// state as "checked" and "pressed", and a "click" action that sends it a
// button-click event. Call once, right after the control is created, and
// DetachPushButton from its destructor.
void ExposeAsPushButton(wxWindow* button, const wxString& name);
void SetPushButtonLit(wxWindow* button, bool lit);
void DetachPushButton(wxWindow* button);
