#pragma once

class wxSizer;

// Enables or disables every control of a layout, nested layouts included.
void EnableSizer(wxSizer* sizer, bool enable);
