#pragma once

class wxWindow;
class wxColour;

// The one look of a field whose value cannot be used: its background turns
// red until the value is valid again.
void ShowFieldValidity(wxWindow* field, bool valid);
const wxColour& InvalidFieldColour();
