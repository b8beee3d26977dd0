#pragma once

#include <wx/defs.h>
#include <wx/snglinst.h>
#include <wx/string.h>

// The message of a refused second start.
wxString SecondInstanceMessage(const wxString& appName);

// Shows the "Instance Error" box and returns true when another copy of the
// program already holds the checker's lock. The toolkit must be running.
bool RefuseSecondInstance(wxSingleInstanceChecker& checker, const wxString& appName);

// Says that another copy runs before the toolkit has started: in the
// "Instance Error" box when a display can be opened, else on standard error.
void ReportSecondInstance(int argc, char** argv, const wxString& appName);
