#pragma once

#include <wx/defs.h>
#include <wx/string.h>

class wxWindow;

// Every message box of the program goes through here. It is a wx modal
// dialog (wxGenericMessageDialog), so test hooks can answer it and a forced
// shutdown can end it, unlike the native GTK box.
int ShowMessageBox(const wxString& message, const wxString& caption,
                   long style = wxOK | wxICON_ERROR, wxWindow* parent = nullptr);
