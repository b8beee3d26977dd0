#include "controls/enablesizer.h"

#include <wx/sizer.h>
#include <wx/window.h>

void EnableSizer(wxSizer* sizer, bool enable)
{
    if (!sizer)
        return;
    for (wxSizerItem* item : sizer->GetChildren())
    {
        if (wxWindow* window = item->GetWindow())
            window->Enable(enable);
        else if (wxSizer* nested = item->GetSizer())
            EnableSizer(nested, enable);
    }
}
