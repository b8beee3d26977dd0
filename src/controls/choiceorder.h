#pragma once

#include <wx/string.h>

class wxItemContainer;

// The order of the projector choices: ascending by character codes
// (case-sensitive, capitals before small letters).
struct ByCharacterCodes
{
    bool operator()(const wxString& a, const wxString& b) const { return a.compare(b) < 0; }
};

// Inserts the text with its item data into a choice or combo box, in
// ByCharacterCodes order, unless an item with exactly this text is there
// already.
// Returns the index of the new or the existing item.
int InsertSorted(wxItemContainer* choice, const wxString& text, void* data);
