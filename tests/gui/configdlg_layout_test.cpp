// The configuration dialog's layout class: every control's event reaches its
// handler.

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

    using ConfigDlgBase::m_allowChangeBox;
    using ConfigDlgBase::m_applyButton;
    using ConfigDlgBase::m_autoCheckBox;
    using ConfigDlgBase::m_autoDownloadBox;
    using ConfigDlgBase::m_baudText;
    using ConfigDlgBase::m_cableText;
    using ConfigDlgBase::m_commandText;
    using ConfigDlgBase::m_copyButton;
    using ConfigDlgBase::m_defaultChoice;
    using ConfigDlgBase::m_enableSchedulesBox;
    using ConfigDlgBase::m_freezeDelayText;
    using ConfigDlgBase::m_hexAppendButton;
    using ConfigDlgBase::m_hexText;
    using ConfigDlgBase::m_passwordText;
    using ConfigDlgBase::m_programButton;
    using ConfigDlgBase::m_refBrowseButton;
    using ConfigDlgBase::m_refFileText;
    using ConfigDlgBase::m_refRevertButton;
    using ConfigDlgBase::m_refSaveButton;
    using ConfigDlgBase::m_refTree;
    using ConfigDlgBase::m_refUpdateButton;
    using ConfigDlgBase::m_refUrlText;
    using ConfigDlgBase::m_revertButton;
    using ConfigDlgBase::m_scheduleDeleteAllButton;
    using ConfigDlgBase::m_scheduleDeleteButton;
    using ConfigDlgBase::m_scheduleEditButton;
    using ConfigDlgBase::m_scheduleList;
    using ConfigDlgBase::m_scheduleNewButton;
    using ConfigDlgBase::m_specialAppendButton;
    using ConfigDlgBase::m_stayOnTopBox;
    using ConfigDlgBase::m_userBrowseButton;
    using ConfigDlgBase::m_userFileText;
    using ConfigDlgBase::m_userPushButton;
    using ConfigDlgBase::m_userRevertButton;
    using ConfigDlgBase::m_userSaveButton;
    using ConfigDlgBase::m_userTree;
    using ConfigDlgBase::m_userUpdateButton;
    using ConfigDlgBase::m_userUrlText;
    using ConfigDlgBase::m_waitAppendButton;
    using ConfigDlgBase::m_whiteBoardBox;

protected:
#define COUNT(handler, Event) \
    void handler(Event&) override { ++calls[#handler]; }
    COUNT(OnOptionChanged, wxCommandEvent)
    COUNT(OnBrowseFile, wxCommandEvent)
    COUNT(OnApply, wxCommandEvent)
    COUNT(OnRevertOptions, wxCommandEvent)
    COUNT(OnFileSave, wxCommandEvent)
    COUNT(OnFileRevert, wxCommandEvent)
    COUNT(OnFileUpdate, wxCommandEvent)
    COUNT(OnTreeEndLabelEdit, wxTreeEvent)
    COUNT(OnTreeItemMenu, wxTreeEvent)
    COUNT(OnTreeItemRightClick, wxTreeEvent)
    COUNT(OnTreeSelChanged, wxTreeEvent)
    COUNT(OnCopyProjector, wxCommandEvent)
    COUNT(OnFilePush, wxCommandEvent)
    COUNT(OnTreeBeginLabelEdit, wxTreeEvent)
    COUNT(OnParameterText, wxCommandEvent)
    COUNT(OnProgram, wxCommandEvent)
    COUNT(OnHexText, wxCommandEvent)
    COUNT(OnAppendHex, wxCommandEvent)
    COUNT(OnAppendSpecial, wxCommandEvent)
    COUNT(OnAppendWait, wxCommandEvent)
    COUNT(OnCommandText, wxCommandEvent)
    COUNT(OnEnableSchedules, wxCommandEvent)
    COUNT(OnScheduleDeselected, wxListEvent)
    COUNT(OnScheduleSelected, wxListEvent)
    COUNT(OnScheduleNew, wxCommandEvent)
    COUNT(OnScheduleEdit, wxCommandEvent)
    COUNT(OnScheduleDelete, wxCommandEvent)
    COUNT(OnScheduleDeleteAll, wxCommandEvent)
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

void SendList(wxListCtrl* list, wxEventType type)
{
    wxListEvent event(type);
    Send(list, event);
}

} // namespace

TEST(ConfigDlgLayout, EveryControlReachesItsHandler)
{
    CountingDlg* dlg = new CountingDlg;
    struct Row
    {
        const char* what;
        std::function<void()> fire;
        const char* handler;
    };
    const Row rows[] = {
        {"reference path text", [&] { SendCommand(dlg->m_refFileText, wxEVT_TEXT); }, "OnOptionChanged"},
        {"reference URL text", [&] { SendCommand(dlg->m_refUrlText, wxEVT_TEXT); }, "OnOptionChanged"},
        {"user path text", [&] { SendCommand(dlg->m_userFileText, wxEVT_TEXT); }, "OnOptionChanged"},
        {"user URL text", [&] { SendCommand(dlg->m_userUrlText, wxEVT_TEXT); }, "OnOptionChanged"},
        {"password", [&] { SendCommand(dlg->m_passwordText, wxEVT_TEXT); }, "OnOptionChanged"},
        {"freeze delay", [&] { SendCommand(dlg->m_freezeDelayText, wxEVT_TEXT); }, "OnOptionChanged"},
        {"auto check", [&] { SendCommand(dlg->m_autoCheckBox, wxEVT_CHECKBOX); }, "OnOptionChanged"},
        {"auto download", [&] { SendCommand(dlg->m_autoDownloadBox, wxEVT_CHECKBOX); }, "OnOptionChanged"},
        {"allow change", [&] { SendCommand(dlg->m_allowChangeBox, wxEVT_CHECKBOX); }, "OnOptionChanged"},
        {"whiteboard", [&] { SendCommand(dlg->m_whiteBoardBox, wxEVT_CHECKBOX); }, "OnOptionChanged"},
        {"stay on top", [&] { SendCommand(dlg->m_stayOnTopBox, wxEVT_CHECKBOX); }, "OnOptionChanged"},
        {"default choice", [&] { SendCommand(dlg->m_defaultChoice, wxEVT_COMBOBOX); }, "OnOptionChanged"},
        {"reference ...", [&] { SendCommand(dlg->m_refBrowseButton, wxEVT_BUTTON); }, "OnBrowseFile"},
        {"user ...", [&] { SendCommand(dlg->m_userBrowseButton, wxEVT_BUTTON); }, "OnBrowseFile"},
        {"Apply", [&] { SendCommand(dlg->m_applyButton, wxEVT_BUTTON); }, "OnApply"},
        {"Revert options", [&] { SendCommand(dlg->m_revertButton, wxEVT_BUTTON); }, "OnRevertOptions"},
        {"reference Save", [&] { SendCommand(dlg->m_refSaveButton, wxEVT_BUTTON); }, "OnFileSave"},
        {"user Save", [&] { SendCommand(dlg->m_userSaveButton, wxEVT_BUTTON); }, "OnFileSave"},
        {"reference Revert", [&] { SendCommand(dlg->m_refRevertButton, wxEVT_BUTTON); }, "OnFileRevert"},
        {"user Revert", [&] { SendCommand(dlg->m_userRevertButton, wxEVT_BUTTON); }, "OnFileRevert"},
        {"reference Update", [&] { SendCommand(dlg->m_refUpdateButton, wxEVT_BUTTON); }, "OnFileUpdate"},
        {"user Update", [&] { SendCommand(dlg->m_userUpdateButton, wxEVT_BUTTON); }, "OnFileUpdate"},
        {"Push", [&] { SendCommand(dlg->m_userPushButton, wxEVT_BUTTON); }, "OnFilePush"},
        {"reference tree label end", [&] { SendTree(dlg->m_refTree, wxEVT_TREE_END_LABEL_EDIT); }, "OnTreeEndLabelEdit"},
        {"user tree label end", [&] { SendTree(dlg->m_userTree, wxEVT_TREE_END_LABEL_EDIT); }, "OnTreeEndLabelEdit"},
        {"reference tree menu", [&] { SendTree(dlg->m_refTree, wxEVT_TREE_ITEM_MENU); }, "OnTreeItemMenu"},
        {"user tree menu", [&] { SendTree(dlg->m_userTree, wxEVT_TREE_ITEM_MENU); }, "OnTreeItemMenu"},
        {"reference tree right click", [&] { SendTree(dlg->m_refTree, wxEVT_TREE_ITEM_RIGHT_CLICK); }, "OnTreeItemRightClick"},
        {"user tree right click", [&] { SendTree(dlg->m_userTree, wxEVT_TREE_ITEM_RIGHT_CLICK); }, "OnTreeItemRightClick"},
        {"reference tree selection", [&] { SendTree(dlg->m_refTree, wxEVT_TREE_SEL_CHANGED); }, "OnTreeSelChanged"},
        {"user tree selection", [&] { SendTree(dlg->m_userTree, wxEVT_TREE_SEL_CHANGED); }, "OnTreeSelChanged"},
        {"user tree label start", [&] { SendTree(dlg->m_userTree, wxEVT_TREE_BEGIN_LABEL_EDIT); }, "OnTreeBeginLabelEdit"},
        {"->", [&] { SendCommand(dlg->m_copyButton, wxEVT_BUTTON); }, "OnCopyProjector"},
        {"Baud", [&] { SendCommand(dlg->m_baudText, wxEVT_TEXT); }, "OnParameterText"},
        {"Cable", [&] { SendCommand(dlg->m_cableText, wxEVT_TEXT); }, "OnParameterText"},
        {"Program", [&] { SendCommand(dlg->m_programButton, wxEVT_BUTTON); }, "OnProgram"},
        {"Hex", [&] { SendCommand(dlg->m_hexText, wxEVT_TEXT); }, "OnHexText"},
        {"hex Append", [&] { SendCommand(dlg->m_hexAppendButton, wxEVT_BUTTON); }, "OnAppendHex"},
        {"special Append", [&] { SendCommand(dlg->m_specialAppendButton, wxEVT_BUTTON); }, "OnAppendSpecial"},
        {"wait Append", [&] { SendCommand(dlg->m_waitAppendButton, wxEVT_BUTTON); }, "OnAppendWait"},
        {"command text", [&] { SendCommand(dlg->m_commandText, wxEVT_TEXT); }, "OnCommandText"},
        {"Enable Schedules", [&] { SendCommand(dlg->m_enableSchedulesBox, wxEVT_CHECKBOX); }, "OnEnableSchedules"},
        {"schedule deselected", [&] { SendList(dlg->m_scheduleList, wxEVT_LIST_ITEM_DESELECTED); }, "OnScheduleDeselected"},
        {"schedule selected", [&] { SendList(dlg->m_scheduleList, wxEVT_LIST_ITEM_SELECTED); }, "OnScheduleSelected"},
        {"New", [&] { SendCommand(dlg->m_scheduleNewButton, wxEVT_BUTTON); }, "OnScheduleNew"},
        {"Edit", [&] { SendCommand(dlg->m_scheduleEditButton, wxEVT_BUTTON); }, "OnScheduleEdit"},
        {"Delete", [&] { SendCommand(dlg->m_scheduleDeleteButton, wxEVT_BUTTON); }, "OnScheduleDelete"},
        {"Delete All", [&] { SendCommand(dlg->m_scheduleDeleteAllButton, wxEVT_BUTTON); }, "OnScheduleDeleteAll"},
    };
    for (const Row& row : rows)
    {
        dlg->calls.clear();
        row.fire();
        EXPECT_EQ(dlg->calls.size(), 1u) << row.what;
        EXPECT_EQ(dlg->calls[row.handler], 1) << row.what << " -> " << row.handler;
    }
    // Only the user tree allows label editing.
    EXPECT_TRUE(dlg->m_userTree->HasFlag(wxTR_EDIT_LABELS));
    EXPECT_FALSE(dlg->m_refTree->HasFlag(wxTR_EDIT_LABELS));
    dlg->Destroy();
    FlushEvents();
}
