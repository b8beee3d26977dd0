#include "log/toolkitlog.h"

#include "log/log.h"

#include <wx/debug.h>
#include <wx/log.h>

#include <cstdio>

namespace {

wxString theShownName;
wxString theRealName;

unsigned LevelOf(wxLogLevel level)
{
    switch (level)
    {
    case wxLOG_FatalError:
    case wxLOG_Error:
        return Log::LEVEL_ERROR;
    case wxLOG_Warning:
        return Log::LEVEL_WARNING;
    case wxLOG_Message:
    case wxLOG_Status:
    case wxLOG_Info:
        return Log::LEVEL_INFO;
    default:
        return Log::LEVEL_DEBUG1;
    }
}

// One message, one line.
wxString OneLine(const wxString& text)
{
    wxString line = text;
    if (!theShownName.empty())
        line.Replace(theShownName, theRealName);
    line.Replace("\r\n", " ");
    line.Replace("\n", " ");
    line.Replace("\r", " ");
    return line;
}

void Print(unsigned level, const wxString& text)
{
    const std::string bytes = OneLine(text).utf8_string();
    if (theLog != nullptr)
        theLog->Print(level, "%s", bytes.c_str());
    else // before the log exists or after it is gone
        fprintf(stderr, "%s\n", bytes.c_str());
}

class ToolkitLog : public wxLog
{
protected:
    void DoLogRecord(wxLogLevel level, const wxString& message, const wxLogRecordInfo&) override
    {
        Print(LevelOf(level), message);
    }
};

void OnToolkitAssert(const wxString& file, int line, const wxString& function, const wxString& condition,
                     const wxString& message)
{
    wxString text = wxString::Format("assertion \"%s\" failed in %s(%d)", condition, file, line);
    if (!function.empty())
        text += " in " + function + "()";
    if (!message.empty())
        text += ": " + message;
    Print(Log::LEVEL_ERROR, text);
}

} // namespace

void RouteToolkitMessagesToLog()
{
    delete wxLog::SetActiveTarget(new ToolkitLog);
    wxSetAssertHandler(&OnToolkitAssert);
}

ToolkitFileNameAlias::ToolkitFileNameAlias(const wxString& shownName, const wxString& realName)
{
    theShownName = shownName;
    theRealName = realName;
}

ToolkitFileNameAlias::~ToolkitFileNameAlias()
{
    theShownName.clear();
    theRealName.clear();
}
