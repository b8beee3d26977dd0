#include "app/singleinstance.h"

#include "controls/messagebox.h"

bool RefuseSecondInstance(wxSingleInstanceChecker& checker, const wxString& appName)
{
    // The lock file lives in $HOME; a dot name keeps it out of sight.
    if (!checker.Create("." + appName + ".lock") || !checker.IsAnotherRunning())
        return false;
    ShowMessageBox("Another instance of " + appName + " is already running", "Instance Error",
                   wxOK | wxICON_ERROR, nullptr);
    return true;
}
