#include "controls/fieldvalidity.h"

#include <wx/window.h>

const wxColour& InvalidFieldColour()
{
    static const wxColour colour(255, 128, 128);
    return colour;
}

void ShowFieldValidity(wxWindow* field, bool valid)
{
    field->SetBackgroundColour(valid ? wxNullColour : InvalidFieldColour());
    field->Refresh();
}
