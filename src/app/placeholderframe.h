#pragma once

#include <wx/frame.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

// Stands in for the main window until the real one is built.
class PlaceholderFrame : public wxFrame
{
public:
    PlaceholderFrame() : wxFrame(nullptr, wxID_ANY, "Aulavox Virtual Control Panel")
    {
        auto* panel = new wxPanel(this);
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        sizer->Add(new wxStaticText(panel, wxID_ANY, "Aulavox Kesto"), 0, wxALL, 20);
        panel->SetSizer(sizer);
        SetClientSize(260, 120);
    }
};
