// The configuration dialog's layout class: the events no flow test sends
// through a real control reach their handlers.

#include "configdlg/configdlgbase.h"

#include "support/gui/gui_helpers.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

namespace {

// Counts the calls of every handler by name.
class CountingDlg : public ConfigDlgBase
{
public:
    CountingDlg() : ConfigDlgBase(nullptr) {}

    std::map<std::string, int> calls;

    using ConfigDlgBase::m_refBrowseButton;
    using ConfigDlgBase::m_refRevertButton;
    using ConfigDlgBase::m_refSaveButton;
    using ConfigDlgBase::m_refTree;
    using ConfigDlgBase::m_refUpdateButton;
    using ConfigDlgBase::m_refUrlText;
    using ConfigDlgBase::m_userRevertButton;
    using ConfigDlgBase::m_userTree;

protected:
#define COUNT(handler, Event) \
    void handler(Event&) override { ++calls[#handler]; }
    COUNT(OnOptionChanged, wxCommandEvent)
    COUNT(OnBrowseFile, wxCommandEvent)
    COUNT(OnFileSave, wxCommandEvent)
    COUNT(OnFileRevert, wxCommandEvent)
    COUNT(OnFileUpdate, wxCommandEvent)
    COUNT(OnTreeItemMenu, wxTreeEvent)
    COUNT(OnTreeItemRightClick, wxTreeEvent)
#undef COUNT
};

void Send(wxWindow* control, wxEvent& event)
{
    event.SetEventObject(control);
    event.SetId(control->GetId());
    control->GetEventHandler()->ProcessEvent(event);
}

void SendCommand(wxWindow* control, wxEventType type)
{
    wxCommandEvent event(type);
    Send(control, event);
}

void SendTree(wxTreeCtrl* tree, wxEventType type)
{
    wxTreeEvent event(type, tree, tree->GetRootItem());
    Send(tree, event);
}

} // namespace

TEST(ConfigDlgLayout, ControlsWithoutAFlowTestReachTheirHandlers)
{
    CountingDlg* dlg = new CountingDlg;
    struct Row
    {
        const char* what;
        std::function<void()> fire;
        const char* handler;
    };
    const Row rows[] = {
        {"reference URL text", [&] { SendCommand(dlg->m_refUrlText, wxEVT_TEXT); }, "OnOptionChanged"},
        {"reference ...", [&] { SendCommand(dlg->m_refBrowseButton, wxEVT_BUTTON); }, "OnBrowseFile"},
        {"reference Save", [&] { SendCommand(dlg->m_refSaveButton, wxEVT_BUTTON); }, "OnFileSave"},
        {"reference Revert", [&] { SendCommand(dlg->m_refRevertButton, wxEVT_BUTTON); }, "OnFileRevert"},
        {"user Revert", [&] { SendCommand(dlg->m_userRevertButton, wxEVT_BUTTON); }, "OnFileRevert"},
        {"reference Update", [&] { SendCommand(dlg->m_refUpdateButton, wxEVT_BUTTON); }, "OnFileUpdate"},
        {"reference tree menu", [&] { SendTree(dlg->m_refTree, wxEVT_TREE_ITEM_MENU); }, "OnTreeItemMenu"},
        {"user tree menu", [&] { SendTree(dlg->m_userTree, wxEVT_TREE_ITEM_MENU); }, "OnTreeItemMenu"},
        {"reference tree right click", [&] { SendTree(dlg->m_refTree, wxEVT_TREE_ITEM_RIGHT_CLICK); }, "OnTreeItemRightClick"},
        {"user tree right click", [&] { SendTree(dlg->m_userTree, wxEVT_TREE_ITEM_RIGHT_CLICK); }, "OnTreeItemRightClick"},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.what);
        dlg->calls.clear();
        row.fire();
        EXPECT_EQ(dlg->calls.size(), 1u);
        EXPECT_EQ(dlg->calls[row.handler], 1) << row.handler;
    }
    // Only the user tree allows label editing.
    EXPECT_TRUE(dlg->m_userTree->HasFlag(wxTR_EDIT_LABELS));
    EXPECT_FALSE(dlg->m_refTree->HasFlag(wxTR_EDIT_LABELS));
    dlg->Destroy();
    FlushEvents();
}
