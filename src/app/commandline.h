#pragma once

#include <wx/string.h>

class DdcBus;

// What the program's first argument asks for. It is decided from the raw
// argument before the window toolkit starts, so that the maintenance
// commands need no display and the toolkit's own options ("--class=X")
// never move another argument into first place.
enum class StartCommand
{
    RUN,       // no argument: the normal start
    INSTALL,   // "--install"
    UNINSTALL, // "--uninstall"
    APPDIR,    // "--appdir"
    UNKNOWN,   // anything else, an argument that is not valid text included
};

// The command of the first argument (nullptr: none); case is ignored.
StartCommand FirstArgumentCommand(const char* firstArgument);

// True for the commands that do their work and end the process.
bool EndsTheProcess(StartCommand command);

// Carries out a command that ends the process and returns its exit status.
// Writes its output to standard output; a failure to write it is said on
// standard error and exits with 1. The driver commands work on bus, or on
// the system's I2C bus when bus is nullptr.
int RunMaintenanceCommand(StartCommand command, const wxString& appDataFolder, DdcBus* bus = nullptr);

// The same for the first argument as given.
int RunMaintenanceCommand(const char* firstArgument, const wxString& appDataFolder, DdcBus* bus = nullptr);
