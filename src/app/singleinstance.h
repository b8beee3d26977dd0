#pragma once

#include <wx/string.h>

// The message of a refused second start.
wxString SecondInstanceMessage(const wxString& appName);

// The "Instance Error" box of a refused second start. The toolkit must be running.
void ShowSecondInstanceBox(const wxString& appName);

// Says that another copy runs before the toolkit has started: in the
// "Instance Error" box when a display can be opened, else on standard error.
void ReportSecondInstance(int argc, char** argv, const wxString& appName);
