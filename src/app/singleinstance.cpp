#include "app/singleinstance.h"

#include "controls/messagebox.h"

#include <wx/app.h>
#include <wx/init.h>
#include <wx/log.h>

#include <cstdio>

wxString SecondInstanceMessage(const wxString& appName)
{
    return "Another instance of " + appName + " is already running";
}

void ShowSecondInstanceBox(const wxString& appName)
{
    ShowMessageBox(SecondInstanceMessage(appName), "Instance Error", wxOK | wxICON_ERROR, nullptr);
}

void ReportSecondInstance(int argc, char** argv, const wxString& appName)
{
    bool started = false;
    {
        // Without a display the toolkit would only say so: quiet.
        wxLogNull quiet;
        wxApp::SetInstance(new wxApp);
        started = wxEntryStart(argc, argv);
    }
    if (!started)
    {
        fprintf(stderr, "%s\n", static_cast<const char*>(SecondInstanceMessage(appName).mb_str()));
        return;
    }
    ShowSecondInstanceBox(appName);
    wxEntryCleanup();
}
