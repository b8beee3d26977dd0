#pragma once

#include <wx/string.h>

class wxChoice;

// Inserts text with its item data in ascending order of character codes
// (case-sensitive), unless an item with exactly this text is there already.
// Returns the index of the new or the existing item.
int InsertSorted(wxChoice* choice, const wxString& text, void* data);
