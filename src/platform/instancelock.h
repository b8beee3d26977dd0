#pragma once

#include <wx/defs.h>
#include <wx/snglinst.h>
#include <wx/string.h>

enum class InstanceLock
{
    TAKEN,           // this is the only copy of the program
    HELD_BY_ANOTHER, // another copy runs
    UNAVAILABLE,     // no lock could be made: nothing keeps a second copy out
};

// Takes the lock that keeps a second copy of the program from running. It
// lives in $XDG_RUNTIME_DIR when that is set (the per-user runtime folder),
// else in the home folder; the kernel releases it when the process ends, so
// a crash never blocks the next start. The checker keeps the lock as long
// as it lives. Reports nothing itself.
InstanceLock TakeInstanceLock(wxSingleInstanceChecker& checker, const wxString& appName);

// The folder of the lock, for messages ("" for the home folder).
wxString InstanceLockFolder();
