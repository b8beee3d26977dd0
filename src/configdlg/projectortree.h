#pragma once

#include <wx/treectrl.h>

// The tree of one projector file. Sorting compares the names its nodes
// stand for in the model (as byte strings, the order of the labels' character
// codes), rather than copying every label for every comparison: the root of
// a large file has thousands of projectors, and renaming one sorts them all.
class ProjectorTree : public wxTreeCtrl
{
public:
    ProjectorTree() = default;
    ProjectorTree(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size, long style)
        : wxTreeCtrl(parent, id, pos, size, style)
    {
    }

    int OnCompareItems(const wxTreeItemId& item1, const wxTreeItemId& item2) override;

private:
    wxDECLARE_DYNAMIC_CLASS(ProjectorTree);
};
