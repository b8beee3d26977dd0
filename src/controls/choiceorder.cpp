#include "controls/choiceorder.h"

#include <wx/ctrlsub.h>

int InsertSorted(wxItemContainer* choice, const wxString& text, void* data)
{
    wxASSERT_MSG(choice != nullptr, "choice != NULL");
    if (!choice)
        return wxNOT_FOUND;
    const unsigned count = choice->GetCount();
    unsigned position = 0;
    for (; position < count; ++position)
    {
        const wxString item = choice->GetString(position);
        if (item == text)
            return static_cast<int>(position);
        if (ByCharacterCodes()(text, item))
            break;
    }
    return choice->Insert(text, position, data);
}
