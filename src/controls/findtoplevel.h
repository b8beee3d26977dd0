#pragma once

#include <wx/app.h>
#include <wx/toplevel.h>

// The first top-level window of kind T that is not on its way out, else null
// (also before the application object exists).
template <class T> T* FindTopLevel()
{
    if (wxTheApp == nullptr)
        return nullptr;
    for (wxWindow* window : wxTopLevelWindows)
    {
        T* found = dynamic_cast<T*>(window);
        if (found != nullptr && !wxTheApp->IsScheduledForDestruction(window))
            return found;
    }
    return nullptr;
}
