#include "platform/instancelock.h"

#include <wx/log.h>
#include <wx/utils.h>

wxString InstanceLockFolder()
{
    wxString runtime;
    if (wxGetEnv("XDG_RUNTIME_DIR", &runtime) && runtime.StartsWith("/"))
        return runtime;
    return wxGetHomeDir();
}

InstanceLock TakeInstanceLock(wxSingleInstanceChecker& checker, const wxString& appName)
{
    // The toolkit says why a lock fails through its log; the caller reports
    // the failure in its own words.
    wxLogNull quiet;
    // A dot name keeps the file out of sight in a home folder.
    if (!checker.Create("." + appName + ".lock", InstanceLockFolder()))
        return InstanceLock::UNAVAILABLE;
    return checker.IsAnotherRunning() ? InstanceLock::HELD_BY_ANOTHER : InstanceLock::TAKEN;
}
