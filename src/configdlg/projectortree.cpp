#include "configdlg/projectortree.h"

#include "configdlg/treeitemdata.h"
#include "projdefs/projectorlist.h"

wxIMPLEMENT_DYNAMIC_CLASS(ProjectorTree, wxTreeCtrl);

namespace {

// The model's text of a node's label, or null for a node without one.
const std::string* ModelName(const wxTreeItemData* itemData)
{
    const TreeItemData* data = dynamic_cast<const TreeItemData*>(itemData);
    if (data == nullptr)
        return nullptr;
    if (const Projector* projector = data->ProjectorOf())
        return &projector->GetName();
    if (const ProjectorSource* source = data->Source())
        return &source->version;
    if (const ProjectorEntry* entry = data->Entry())
        return &entry->name;
    return nullptr;
}

} // namespace

int ProjectorTree::OnCompareItems(const wxTreeItemId& item1, const wxTreeItemId& item2)
{
    const std::string* name1 = ModelName(GetItemData(item1));
    const std::string* name2 = ModelName(GetItemData(item2));
    if (name1 == nullptr || name2 == nullptr)
        return wxTreeCtrl::OnCompareItems(item1, item2);
    const int order = name1->compare(*name2);
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}
