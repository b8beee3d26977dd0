#pragma once

// Sends the toolkit's own log messages and failed assertions into the
// program's log (theLog) as one line each, so that the toolkit never shows
// a box of its own: such a box blocks the end of the session. Errors become
// Error lines, warnings Warning lines, a failed assertion an Error line
// naming the file, line, function and condition; information goes to Info
// and the toolkit's debug messages to Debug1. Call once, first thing.
void RouteToolkitMessagesToLog();

#include <wx/string.h>

// While it lives, the toolkit's messages say realName where they would say
// shownName: for a file the toolkit reads through another path (such as a
// descriptor's /proc path).
class ToolkitFileNameAlias
{
public:
    ToolkitFileNameAlias(const wxString& shownName, const wxString& realName);
    ~ToolkitFileNameAlias();
    ToolkitFileNameAlias(const ToolkitFileNameAlias&) = delete;
    ToolkitFileNameAlias& operator=(const ToolkitFileNameAlias&) = delete;
};
