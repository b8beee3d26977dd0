#include "windowshot.h"

#include <wx/app.h>
#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/time.h>
#include <wx/utils.h>
#include <wx/window.h>

void Pump(int milliseconds)
{
    const wxLongLong end = wxGetLocalTimeMillis() + milliseconds;
    while (wxGetLocalTimeMillis() < end)
    {
        wxTheApp->ProcessPendingEvents();
        wxTheApp->Yield(true);
        wxMilliSleep(5);
    }
}

bool SaveWindow(wxWindow* window, const wxString& fileName)
{
    const wxRect rect = window->GetScreenRect();
    wxBitmap bitmap(rect.GetSize());
    {
        wxScreenDC screen;
        wxMemoryDC memory(bitmap);
        if (!memory.Blit(0, 0, rect.width, rect.height, &screen, rect.x, rect.y))
            return false;
    }
    return bitmap.SaveFile(fileName, wxBITMAP_TYPE_PNG);
}
