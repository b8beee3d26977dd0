#pragma once

#include <wx/string.h>

class DdcBus;

// Carries out the maintenance command given as the program's first argument
// (case is ignored) and returns the process's exit status. Writes its output
// to standard output. The driver commands work on bus, or on the system's
// I2C bus when bus is nullptr.
int RunMaintenanceCommand(const wxString& firstArgument, const wxString& appDataFolder, DdcBus* bus = nullptr);
