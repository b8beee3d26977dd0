#pragma once

#include <wx/string.h>

// The lock that keeps a second copy of the program off a data folder: an
// exclusive flock on a file inside that folder, so that every copy that would
// share the settings and projector files meets the same lock, whatever its
// environment. The kernel releases it when the process ends, however it
// ends, so a crash never blocks the next start; the file itself may stay.
class InstanceLock
{
public:
    enum Result
    {
        TAKEN,           // this is the only copy of the program
        HELD_BY_ANOTHER, // another copy runs
        UNAVAILABLE,     // no lock could be made: nothing keeps a second copy out
    };

    InstanceLock() = default;
    ~InstanceLock(); // gives the lock back
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Takes the lock of the program of that name in its data folder;
    // reports nothing itself.
    Result Take(const wxString& dataFolder, const wxString& appName);

    // The lock file, and why it could not be made (after UNAVAILABLE).
    const wxString& GetPath() const { return m_path; }
    const wxString& GetReason() const { return m_reason; }

private:
    int m_fd = -1;
    wxString m_path;
    wxString m_reason;
};

