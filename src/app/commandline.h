#pragma once

#include <wx/string.h>

// Carries out the maintenance command given as the program's first argument
// (case is ignored) and returns the process's exit status. Writes its output
// to standard output.
int RunMaintenanceCommand(const wxString& firstArgument, const wxString& appDataFolder);
