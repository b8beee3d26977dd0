// The projector trees and the displays below them.

#include "configdlg/configdlg.h"

#include "configdlg/treeitemdata.h"
#include "controls/enablesizer.h"
#include "controls/localtext.h"

#include <wx/wupdlock.h>

namespace {

const char BAUD[] = "Baud";
const char CABLE[] = "Cable";

// The projector's parameter entry of this name; added with an empty value
// when the projector has none.
ProjectorEntry* ParameterOf(Projector* projector, const std::string& sourceName, const char* name)
{
    ProjectorEntry* entry = projector->FindEntry(name);
    if (entry != nullptr)
        return entry;
    ProjectorEntry added;
    added.source = sourceName;
    added.kind = ProjectorEntry::PARAMETER;
    added.name = name;
    return projector->AddEntry(added);
}

} // namespace

TreeItemData* ConfigDlg::DataOf(wxTreeCtrl* tree, const wxTreeItemId& item)
{
    if (tree == nullptr || !item.IsOk())
        return nullptr;
    return dynamic_cast<TreeItemData*>(tree->GetItemData(item));
}

void ConfigDlg::ClearTree(wxTreeCtrl* tree)
{
    if (tree->GetEditControl() != nullptr)
        tree->EndEditLabel(tree->GetSelection(), true);
    m_rebuilding = true;
    tree->DeleteAllItems();
    m_rebuilding = false;
    // Nothing may keep pointing into the list that is about to change.
    if (m_curTree == tree)
        ShowSelection(tree, wxTreeItemId());
}

void ConfigDlg::BuildProjectorTree(wxTreeCtrl* tree, ProjectorList* list)
{
    ClearTree(tree);
    if (list->GetSourceCount() == 0)
        return;
    ProjectorSource* source = list->GetSource(0);

    wxWindowUpdateLocker frozen(tree);
    m_rebuilding = true;
    const wxTreeItemId root = tree->AddRoot(FromLocal8Bit(source->name), -1, -1,
                                            new TreeItemData(TreeItemData::PROJECTOR_LIST, list));
    for (size_t i = 0; i < list->GetProjectorCount(); ++i)
    {
        Projector* projector = list->GetProjector(i);
        const wxTreeItemId node =
            tree->AppendItem(root, FromLocal8Bit(projector->GetName()), -1, -1,
                             new TreeItemData(TreeItemData::PROJECTOR, projector));
        for (size_t e = 0; e < projector->GetEntryCount(); ++e)
        {
            ProjectorEntry* entry = projector->GetEntry(e);
            if (entry->kind != ProjectorEntry::PARAMETER)
                tree->AppendItem(node, FromLocal8Bit(entry->name), -1, -1,
                                 new TreeItemData(TreeItemData::COMMAND, entry));
        }
    }
    tree->SortChildren(root);
    tree->InsertItem(root, 0, FromLocal8Bit(source->version), -1, -1,
                     new TreeItemData(TreeItemData::VERSION, source));
    tree->Expand(root);
    m_rebuilding = false;
}

void ConfigDlg::OnTreeSelChanged(wxTreeEvent& event)
{
    if (m_rebuilding)
        return;
    ShowSelection(dynamic_cast<wxTreeCtrl*>(event.GetEventObject()), event.GetItem());
}

void ConfigDlg::ShowSelection(wxTreeCtrl* tree, const wxTreeItemId& item)
{
    Projector* projector = nullptr;
    ProjectorEntry* command = nullptr;
    if (TreeItemData* data = DataOf(tree, item))
    {
        if (data->what == TreeItemData::PROJECTOR)
        {
            projector = data->ProjectorOf();
        }
        else if (data->what == TreeItemData::COMMAND)
        {
            command = data->Entry();
            if (TreeItemData* parent = DataOf(tree, tree->GetItemParent(item)))
                projector = parent->ProjectorOf();
        }
    }
    const bool editable = tree == m_userTree;

    {
        wxWindowUpdateLocker frozen(this);
        if (projector == nullptr)
        {
            m_baudEntry = nullptr;
            m_cableEntry = nullptr;
            SetQuietly(m_projectorText, wxString());
            SetQuietly(m_baudText, wxString());
            SetQuietly(m_cableText, wxString());
            EnableSizer(m_programRow, false);
        }
        else
        {
            ProjectorList* list = nullptr;
            if (TreeItemData* rootData = DataOf(tree, tree->GetRootItem()))
                list = rootData->List();
            const std::string sourceName =
                list && list->GetSourceCount() > 0 ? list->GetSource(0)->name : std::string();
            // Adding a missing parameter here is no edit of the file.
            m_baudEntry = ParameterOf(projector, sourceName, BAUD);
            m_cableEntry = ParameterOf(projector, sourceName, CABLE);
            SetQuietly(m_projectorText, FromLocal8Bit(projector->GetName()));
            SetQuietly(m_baudText, FromLocal8Bit(m_baudEntry->value));
            SetQuietly(m_cableText, FromLocal8Bit(m_cableEntry->value));
            EnableSizer(m_programRow, editable);
        }

        if (command == nullptr)
        {
            SetQuietly(m_commandNameText, wxString());
            SetQuietly(m_commandText, wxString());
            EnableSizer(m_commandArea, false);
        }
        else
        {
            SetQuietly(m_commandNameText, FromLocal8Bit(command->name));
            SetQuietly(m_commandText, FromLocal8Bit(command->value));
            EnableSizer(m_commandArea, editable);
        }
        CheckCommandText();
        // Copying needs a user file to copy into.
        m_copyButton->Enable(projector != nullptr && command == nullptr && tree == m_refTree &&
                             m_userTree->GetRootItem().IsOk());
    }
    m_curTree = tree;
    m_curProjector = projector;
}
