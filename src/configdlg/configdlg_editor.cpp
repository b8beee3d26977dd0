// Editing the user file's tree: the context menu, label edits and copying a
// reference projector.

#include "configdlg/configdlg.h"

#include "configdlg/treeitemdata.h"
#include "controls/localtext.h"

#include <wx/menu.h>

namespace {

const char NEW_NAME[] = "~New~";

// The entries every new projector starts with, in this order.
const struct
{
    const char* name;
    int kind;
} PROJECTOR_TEMPLATE[] = {
    {"Baud", ProjectorEntry::PARAMETER},       {"Cable", ProjectorEntry::PARAMETER},
    {"On", ProjectorEntry::COMMAND},           {"Off", ProjectorEntry::COMMAND},
    {"SourceVGA", ProjectorEntry::COMMAND},    {"SourceComposite", ProjectorEntry::COMMAND},
    {"Freeze", ProjectorEntry::COMMAND},
};

ProjectorEntry MakeEntry(const std::string& source, int kind, const std::string& name)
{
    ProjectorEntry entry;
    entry.source = source;
    entry.kind = kind;
    entry.name = name;
    return entry;
}

} // namespace

ProjectorList* ConfigDlg::ListOfTree(wxTreeCtrl* tree)
{
    TreeItemData* data = DataOf(tree, tree ? tree->GetRootItem() : wxTreeItemId());
    return data ? data->List() : nullptr;
}

void ConfigDlg::OnTreeItemRightClick(wxTreeEvent& event)
{
    // The menu that follows concerns the clicked item.
    if (auto* tree = dynamic_cast<wxTreeCtrl*>(event.GetEventObject()); tree && event.GetItem().IsOk())
        tree->SelectItem(event.GetItem());
    event.Skip();
}

wxMenu* ConfigDlg::BuildTreeMenu(wxTreeCtrl* tree, const wxTreeItemId& item)
{
    if (tree != m_userTree)
        return nullptr; // the reference file is read-only
    TreeItemData* data = DataOf(tree, item);
    if (data == nullptr)
        return nullptr;
    wxMenu* menu = new wxMenu;
    switch (data->what)
    {
    case TreeItemData::PROJECTOR_LIST:
        menu->SetTitle("Projector List");
        menu->Append(ID_NEW_PROJECTOR, "New Projector");
        break;
    case TreeItemData::VERSION:
        menu->SetTitle("Version");
        menu->Append(ID_RENAME, "Change Version");
        break;
    case TreeItemData::PROJECTOR:
        menu->SetTitle("Projector: " + tree->GetItemText(item));
        menu->Append(ID_RENAME, "Rename Projector");
        menu->Append(ID_DELETE_PROJECTOR, "Delete Projector");
        menu->Append(ID_NEW_COMMAND, "New Command");
        break;
    case TreeItemData::COMMAND:
        menu->SetTitle("Command: " + tree->GetItemText(item));
        menu->Append(ID_RENAME, "Rename Command");
        menu->Append(ID_DELETE_COMMAND, "Delete Command");
        break;
    default:
        delete menu;
        return nullptr;
    }
    menu->Bind(wxEVT_MENU, &ConfigDlg::OnTreeMenuCommand, this);
    return menu;
}

void ConfigDlg::OnTreeItemMenu(wxTreeEvent& event)
{
    auto* tree = dynamic_cast<wxTreeCtrl*>(event.GetEventObject());
    wxMenu* menu = BuildTreeMenu(tree, event.GetItem());
    if (menu == nullptr)
        return;
    tree->PopupMenu(menu); // at the mouse position
    delete menu;
}

void ConfigDlg::OnTreeMenuCommand(wxCommandEvent& event)
{
    wxTreeCtrl* tree = m_curTree;
    if (tree != m_userTree)
        return;
    const wxTreeItemId selected = tree->GetSelection();
    TreeItemData* itemData = DataOf(tree, selected);
    ProjectorList* list = ListOfTree(tree);
    if (itemData == nullptr || list == nullptr || list->GetSourceCount() == 0)
        return;
    const std::string tag = list->GetSource(0)->name;
    const wxTreeItemId root = tree->GetRootItem();

    switch (event.GetId())
    {
    case ID_RENAME:
        tree->EditLabel(selected);
        return; // the edit ends in OnTreeEndLabelEdit

    case ID_NEW_PROJECTOR:
    {
        Projector* projector = list->AddProjector(NEW_NAME);
        const wxTreeItemId node = tree->AppendItem(
            root, NEW_NAME, -1, -1, new TreeItemData(TreeItemData::PROJECTOR, projector));
        for (const auto& item : PROJECTOR_TEMPLATE)
        {
            ProjectorEntry* entry = projector->AddEntry(MakeEntry(tag, item.kind, item.name));
            if (entry->kind == ProjectorEntry::COMMAND)
                tree->AppendItem(node, item.name, -1, -1,
                                 new TreeItemData(TreeItemData::COMMAND, entry));
        }
        break;
    }

    case ID_DELETE_PROJECTOR:
    {
        wxASSERT_MSG(itemData->what == TreeItemData::PROJECTOR,
                     "itemData->what == TreeItemData::PROJECTOR");
        Projector* projector = itemData->ProjectorOf();
        if (projector == nullptr)
            return;
        DeleteNode(tree, selected, [&] { list->RemoveProjector(projector); });
        break;
    }

    case ID_NEW_COMMAND:
    {
        wxASSERT_MSG(itemData->what == TreeItemData::PROJECTOR,
                     "itemData->what == TreeItemData::PROJECTOR");
        Projector* projector = itemData->ProjectorOf();
        if (projector == nullptr)
            return;
        ProjectorEntry* entry =
            projector->AddEntry(MakeEntry(tag, ProjectorEntry::COMMAND, NEW_NAME));
        tree->AppendItem(selected, NEW_NAME, -1, -1, new TreeItemData(TreeItemData::COMMAND, entry));
        break;
    }

    case ID_DELETE_COMMAND:
    {
        wxASSERT_MSG(itemData->what == TreeItemData::COMMAND,
                     "itemData->what == TreeItemData::COMMAND");
        ProjectorEntry* entry = itemData->Entry();
        TreeItemData* parentData = DataOf(tree, tree->GetItemParent(selected));
        Projector* projector = parentData ? parentData->ProjectorOf() : nullptr;
        if (entry == nullptr || projector == nullptr)
            return;
        DeleteNode(tree, selected, [&] { projector->RemoveEntry(entry); });
        break;
    }

    default:
        return;
    }
    SetFileModified(USER_FILE, true);
}

void ConfigDlg::DeleteNode(wxTreeCtrl* tree, const wxTreeItemId& node,
                           const std::function<void()>& removeFromModel)
{
    // Nothing may point at the model object once it is gone: the displays
    // let go first, then follow whatever the tree selects next.
    ShowSelection(tree, wxTreeItemId());
    removeFromModel();
    m_rebuilding = true;
    tree->Delete(node);
    m_rebuilding = false;
    ShowSelection(tree, tree->GetSelection());
}

void ConfigDlg::OnTreeBeginLabelEdit(wxTreeEvent& event)
{
    auto* tree = dynamic_cast<wxTreeCtrl*>(event.GetEventObject());
    if (tree == nullptr)
        return;
    const wxTreeItemId root = tree->GetRootItem();
    const wxTreeItemId item = event.GetItem().IsOk() ? event.GetItem() : tree->GetSelection();
    if (!item.IsOk() || item == root)
        event.Veto(); // the file's name is not a label to edit
}

void ConfigDlg::OnTreeEndLabelEdit(wxTreeEvent& event)
{
    if (event.IsEditCancelled())
    {
        event.Veto();
        return;
    }
    auto* tree = dynamic_cast<wxTreeCtrl*>(event.GetEventObject());
    const wxTreeItemId item = event.GetItem().IsOk() ? event.GetItem() : m_curTree->GetSelection();
    TreeItemData* data = DataOf(tree, item);
    if (tree != m_userTree || data == nullptr)
    {
        event.Veto();
        return;
    }
    const wxString label = event.GetLabel();
    const std::string name = ToLocal8Bit(label);
    // The model first; then the label is set here and the edit vetoed, so
    // that the tree shows exactly what the model holds.
    event.Veto();
    switch (data->what)
    {
    case TreeItemData::PROJECTOR:
        if (ProjectorList* list = ListOfTree(tree))
            list->RenameProjector(data->ProjectorOf(), name);
        tree->SetItemText(item, label);
        tree->SortChildren(tree->GetRootItem());
        if (data->ProjectorOf() == m_curProjector)
            SetQuietly(m_projectorText, label);
        break;
    case TreeItemData::VERSION:
        data->Source()->version = name;
        tree->SetItemText(item, label);
        break;
    case TreeItemData::COMMAND:
        data->Entry()->name = name;
        tree->SetItemText(item, label);
        if (tree->GetSelection() == item)
            SetQuietly(m_commandNameText, label);
        break;
    default:
        return;
    }
    SetFileModified(USER_FILE, true);
}

void ConfigDlg::OnCopyProjector(wxCommandEvent&)
{
    TreeItemData* refData = DataOf(m_refTree, m_refTree->GetSelection());
    Projector* from = refData ? refData->ProjectorOf() : nullptr;
    const wxTreeItemId userRoot = m_userTree->GetRootItem();
    if (from == nullptr || !userRoot.IsOk() || m_userList.GetSourceCount() == 0)
        return;
    const std::string tag = m_userList.GetSource(0)->name;

    Projector* to = m_userList.FindProjector(from->GetName());
    wxTreeItemId node;
    if (to == nullptr)
    {
        to = m_userList.AddProjector(from->GetName());
        node = m_userTree->AppendItem(userRoot, FromLocal8Bit(to->GetName()), -1, -1,
                                      new TreeItemData(TreeItemData::PROJECTOR, to));
    }
    else
    {
        node = ProjectorNode(m_userTree, to);
        wxASSERT_MSG(node.IsOk(), "projId.IsOk()");
        if (!node.IsOk())
            return;
    }

    // Same names (in any letter case) take the reference value and keep
    // their kind; missing ones are added at the end.
    for (size_t i = 0; i < from->GetEntryCount(); ++i)
    {
        const ProjectorEntry* source = from->GetEntry(i);
        ProjectorEntry* target = to->FindEntry(source->name);
        if (target == nullptr)
        {
            target = to->AddEntry(MakeEntry(tag, source->kind, source->name));
            if (target->kind == ProjectorEntry::COMMAND)
                m_userTree->AppendItem(node, FromLocal8Bit(target->name), -1, -1,
                                       new TreeItemData(TreeItemData::COMMAND, target));
        }
        target->value = source->value;
    }
    m_userTree->SortChildren(userRoot);
    SetFileModified(USER_FILE, true);
}

wxTreeItemId ConfigDlg::ProjectorNode(wxTreeCtrl* tree, const Projector* projector)
{
    const wxTreeItemId root = tree->GetRootItem();
    wxTreeItemIdValue cookie;
    for (wxTreeItemId child = tree->GetFirstChild(root, cookie); child.IsOk();
         child = tree->GetNextChild(root, cookie))
    {
        TreeItemData* data = DataOf(tree, child);
        if (data && data->ProjectorOf() == projector)
            return child;
    }
    return wxTreeItemId();
}
