#pragma once

#include <wx/defs.h>
#include <wx/snglinst.h>
#include <wx/string.h>

// Shows the "Instance Error" box and returns true when another copy of the
// program already holds the checker's lock.
bool RefuseSecondInstance(wxSingleInstanceChecker& checker, const wxString& appName);
