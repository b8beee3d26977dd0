#pragma once

// The configuration dialog on a real display, with its settings file and both
// projector files in a temporary folder. Tests reach the controls and the
// handlers through TestConfigDlg and drive them with events.

#include "configdlg/configdlg.h"
#include "configdlg/treeitemdata.h"
#include "settings/settings.h"

#include "support/core/log_recorder.h"
#include "support/core/temp_dir.h"
#include "support/gui/gui_helpers.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

class TestConfigDlg : public ConfigDlg
{
public:
    explicit TestConfigDlg(wxWindow* parent = nullptr) : ConfigDlg(parent) {}

    // When set, the file "chosen" in the file dialog: GTK's file chooser
    // reports no path for a dialog that a test answered without showing it.
    wxString pickedFile;

    using ConfigDlg::m_allowChangeBox;
    using ConfigDlg::m_applyButton;
    using ConfigDlg::m_autoCheckBox;
    using ConfigDlg::m_autoDownloadBox;
    using ConfigDlg::m_baudText;
    using ConfigDlg::m_cableText;
    using ConfigDlg::m_commandNameText;
    using ConfigDlg::m_commandText;
    using ConfigDlg::m_copyButton;
    using ConfigDlg::m_curProjector;
    using ConfigDlg::m_curTree;
    using ConfigDlg::m_defaultChoice;
    using ConfigDlg::m_freezeDelayText;
    using ConfigDlg::m_hexAppendButton;
    using ConfigDlg::m_hexText;
    using ConfigDlg::m_optionsModified;
    using ConfigDlg::m_passwordText;
    using ConfigDlg::m_programButton;
    using ConfigDlg::m_projectorText;
    using ConfigDlg::m_refBrowseButton;
    using ConfigDlg::m_refFileText;
    using ConfigDlg::m_refTree;
    using ConfigDlg::m_refUpdateButton;
    using ConfigDlg::m_refUrlText;
    using ConfigDlg::m_revertButton;
    using ConfigDlg::m_specialAppendButton;
    using ConfigDlg::m_specialChoice;
    using ConfigDlg::m_stayOnTopBox;
    using ConfigDlg::m_userBrowseButton;
    using ConfigDlg::m_userFileText;
    using ConfigDlg::m_userList;
    using ConfigDlg::m_userPushButton;
    using ConfigDlg::m_userRevertButton;
    using ConfigDlg::m_userSaveButton;
    using ConfigDlg::m_userTree;
    using ConfigDlg::m_userUpdateButton;
    using ConfigDlg::m_userUrlText;
    using ConfigDlg::m_waitAppendButton;
    using ConfigDlg::m_waitChoice;
    using ConfigDlg::m_whiteBoardBox;
    using ConfigDlg::BuildTreeMenu;
    using ConfigDlg::OnTreeMenuCommand;

protected:
    wxString AskForFile(const wxString& current) override
    {
        return pickedFile.empty() ? ConfigDlg::AskForFile(current) : pickedFile;
    }
};

// An error box whose text the test checks afterwards.
class CaptureErrorBox : public wxExpectModalBase<wxGenericMessageDialog, CaptureErrorBox>
{
public:
    CaptureErrorBox(const wxString& caption, wxString& message) : m_caption(caption), m_message(message) {}

protected:
    int OnInvoked(wxGenericMessageDialog* box) const override
    {
        EXPECT_EQ(box->GetTitle(), m_caption);
        EXPECT_EQ(box->GetMessageDialogStyle() & wxICON_MASK, wxICON_ERROR);
        m_message = box->GetMessage();
        return wxID_OK;
    }

private:
    wxString m_caption;
    wxString& m_message;
};

class ConfigDlgTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_oldSettings = theSettings;
        theSettings = OpenSettingsStore(wxString::FromUTF8(settingsFile));
        RecordDefaults(*theSettings, wxString::FromUTF8(dir.Path()), wxString::FromUTF8(dir.Path()));
        theSettings->Write(FileNameKey(FILE_REFERENCE), wxString::FromUTF8(refFile));
        theSettings->Write(FileUrlKey(FILE_REFERENCE), wxString());
        theSettings->Write(FileNameKey(FILE_USER), wxString::FromUTF8(userFile));
        theSettings->Write(FileUrlKey(FILE_USER), wxString());
    }

    void TearDown() override
    {
        if (dlg)
        {
            dlg->Destroy();
            FlushEvents();
        }
        delete theSettings;
        theSettings = m_oldSettings;
    }

    void WriteRef(const std::string& text) { ASSERT_TRUE(WriteWholeFile(refFile, text)); }
    void WriteUser(const std::string& text) { ASSERT_TRUE(WriteWholeFile(userFile, text)); }

    void Open()
    {
        dlg = new TestConfigDlg;
        dlg->Show();
    }

    // Every label of a tree below the item, depth first, children indented by two blanks.
    static std::vector<std::string> Labels(wxTreeCtrl* tree, const wxTreeItemId& item,
                                           const std::string& indent = "")
    {
        std::vector<std::string> labels;
        wxTreeItemIdValue cookie;
        for (wxTreeItemId child = tree->GetFirstChild(item, cookie); child.IsOk();
             child = tree->GetNextChild(item, cookie))
        {
            labels.push_back(indent + tree->GetItemText(child).utf8_string());
            for (const std::string& below : Labels(tree, child, indent + "  "))
                labels.push_back(below);
        }
        return labels;
    }
    static std::vector<std::string> Labels(wxTreeCtrl* tree) { return Labels(tree, tree->GetRootItem()); }

    // The child of `parent` with this label, or an invalid item.
    static wxTreeItemId Child(wxTreeCtrl* tree, const wxTreeItemId& parent, const wxString& label)
    {
        wxTreeItemIdValue cookie;
        for (wxTreeItemId child = tree->GetFirstChild(parent, cookie); child.IsOk();
             child = tree->GetNextChild(parent, cookie))
            if (tree->GetItemText(child) == label)
                return child;
        return wxTreeItemId();
    }
    static wxTreeItemId Node(wxTreeCtrl* tree, const wxString& projector, const wxString& command = "")
    {
        wxTreeItemId node = Child(tree, tree->GetRootItem(), projector);
        if (node.IsOk() && !command.empty())
            node = Child(tree, node, command);
        return node;
    }

    // Selects an item as a click does (the selection event reaches the dialog).
    static void Select(wxTreeCtrl* tree, const wxTreeItemId& item)
    {
        ASSERT_TRUE(item.IsOk());
        tree->SelectItem(item);
        FlushEvents();
    }

    static void Click(wxButton* button)
    {
        ASSERT_TRUE(button->IsEnabled()) << button->GetLabel();
        wxCommandEvent click(wxEVT_BUTTON, button->GetId());
        click.SetEventObject(button);
        button->GetEventHandler()->ProcessEvent(click);
    }

    static void Tick(wxCheckBox* box)
    {
        box->SetValue(!box->GetValue());
        wxCommandEvent event(wxEVT_CHECKBOX, box->GetId());
        event.SetEventObject(box);
        event.SetInt(box->GetValue());
        box->GetEventHandler()->ProcessEvent(event);
    }

    // Reads a key of the settings file as written on disk.
    std::string StoredValue(const std::string& key) const
    {
        std::unique_ptr<SettingsStore> reread(OpenSettingsStore(wxString::FromUTF8(settingsFile)));
        wxString value;
        if (!reread || !reread->Read(wxString::FromUTF8(key), &value))
            return "<missing>";
        return value.utf8_string();
    }

    LogRecorder log;
    TempDir dir;
    std::string settingsFile = dir.File("AulavoxKesto.ini");
    std::string refFile = dir.File("AulavoxMaster.txt");
    std::string userFile = dir.File("CustomList.txt");
    TestConfigDlg* dlg = nullptr;

private:
    SettingsStore* m_oldSettings = nullptr;
};
