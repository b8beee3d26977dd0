#pragma once

#include <wx/string.h>

class wxItemContainer;

// Inserts the text with its item data into a choice or combo box, in
// ascending order of character codes (case-sensitive), unless an item with
// exactly this text is there already.
// Returns the index of the new or the existing item.
int InsertSorted(wxItemContainer* choice, const wxString& text, void* data);
