#pragma once

// The configuration dialog on a real display, with its settings file and both
// projector files in a temporary folder, and the simulated control box as the
// only serial port. Tests reach the controls and the handlers through
// TestConfigDlg and drive them with events.

#include "comm/panelcomm.h"
#include "configdlg/configdlg.h"
#include "schedule/schedule.h"
#include "settings/settings.h"

#include "support/core/fake_ddc_bus.h"
#include "support/core/log_recorder.h"
#include "support/core/panel_simulator.h"
#include "support/core/temp_dir.h"
#include "support/gui/gui_helpers.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

class TestConfigDlg : public ConfigDlg
{
public:
    TestConfigDlg() : ConfigDlg(nullptr) {}

    using ConfigDlg::m_allowChangeBox, ConfigDlg::m_applyButton, ConfigDlg::m_autoCheckBox,
        ConfigDlg::m_autoDownloadBox, ConfigDlg::m_baudText, ConfigDlg::m_commandText, ConfigDlg::m_copyButton,
        ConfigDlg::m_curProjector, ConfigDlg::m_defaultChoice, ConfigDlg::m_enableSchedulesBox,
        ConfigDlg::m_freezeDelayText, ConfigDlg::m_idleOffText, ConfigDlg::m_passwordText, ConfigDlg::m_programButton,
        ConfigDlg::m_projectorText, ConfigDlg::m_refFileText, ConfigDlg::m_refTree,
        ConfigDlg::m_refUrlText, ConfigDlg::m_revertButton, ConfigDlg::m_scheduleDeleteButton,
        ConfigDlg::m_scheduleEditButton, ConfigDlg::m_scheduleList, ConfigDlg::m_scheduleNewButton,
        ConfigDlg::m_stayOnTopBox, ConfigDlg::m_userFileText, ConfigDlg::m_userList, ConfigDlg::m_userPushButton,
        ConfigDlg::m_userSaveButton, ConfigDlg::m_userTree, ConfigDlg::m_userUpdateButton, ConfigDlg::m_userUrlText,
        ConfigDlg::m_whiteBoardBox, ConfigDlg::OnTreeMenuCommand;
};

class ConfigDlgTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim.Start());
        std::swap(thePanelComm, m_oldComm);
        thePanelComm = new PanelComm(MissingDdcBus());
        thePanelComm->SetPortLister(PortListOf({sim.Path()}));
        std::swap(theSettings, m_oldSettings);
        theSettings = OpenSettingsStore(wxString::FromUTF8(settingsFile));
        RecordDefaults(*theSettings, wxString::FromUTF8(dir.Path()), wxString::FromUTF8(dir.Path()));
        theSettings->Write(FileNameKey(FILE_REFERENCE), wxString::FromUTF8(refFile));
        theSettings->Write(FileUrlKey(FILE_REFERENCE), wxString());
        theSettings->Write(FileNameKey(FILE_USER), wxString::FromUTF8(userFile));
        theSettings->Write(FileUrlKey(FILE_USER), wxString());
    }

    void TearDown() override
    {
        Close();
        theScheduleList.clear();
        delete theSettings;
        theSettings = m_oldSettings;
        delete thePanelComm;
        thePanelComm = m_oldComm;
    }

    void WriteRef(const std::string& text) { ASSERT_TRUE(WriteWholeFile(refFile, text)); }
    void WriteUser(const std::string& text) { ASSERT_TRUE(WriteWholeFile(userFile, text)); }

    // Opens the dialog, closing the one open before.
    void Open()
    {
        Close();
        dlg = new TestConfigDlg;
        dlg->Show();
    }
    void Close()
    {
        if (dlg)
            dlg->Destroy();
        FlushEvents();
        dlg = nullptr;
    }

    // The child of `parent` with this label, or an invalid item.
    static wxTreeItemId Child(wxTreeCtrl* tree, const wxTreeItemId& parent, const wxString& label)
    {
        wxTreeItemIdValue cookie;
        wxTreeItemId child = tree->GetFirstChild(parent, cookie);
        while (child.IsOk() && tree->GetItemText(child) != label)
            child = tree->GetNextChild(parent, cookie);
        return child;
    }
    static wxTreeItemId Node(wxTreeCtrl* tree, const wxString& projector, const wxString& command = "")
    {
        const wxTreeItemId node = Child(tree, tree->GetRootItem(), projector);
        return command.empty() || !node.IsOk() ? node : Child(tree, node, command);
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
        Send(button, wxEVT_BUTTON);
    }

    static void Tick(wxCheckBox* box) { Send(box, wxEVT_CHECKBOX, !box->GetValue()); }

    // Sets the control as the user would and sends its event.
    static void Send(wxControl* control, wxEventType type, int value = 0)
    {
        if (auto* box = dynamic_cast<wxCheckBox*>(control))
            box->SetValue(value != 0);
        else if (auto* choice = dynamic_cast<wxChoice*>(control))
            choice->SetSelection(value);
        wxCommandEvent event(type, control->GetId());
        event.SetEventObject(control);
        event.SetInt(value);
        control->GetEventHandler()->ProcessEvent(event);
    }

    // Reads a key of the settings file as written on disk.
    std::string StoredValue(const std::string& key) const
    {
        std::unique_ptr<SettingsStore> reread(OpenSettingsStore(wxString::FromUTF8(settingsFile)));
        wxString value;
        return reread && reread->Read(wxString::FromUTF8(key), &value) ? value.utf8_string() : "<missing>";
    }

    LogRecorder log;
    PanelSimulator sim;
    TempDir dir;
    std::string settingsFile = dir.File("AulavoxKesto.ini");
    std::string refFile = dir.File("AulavoxMaster.txt");
    std::string userFile = dir.File("CustomList.txt");
    TestConfigDlg* dlg = nullptr;

private:
    SettingsStore* m_oldSettings = nullptr;
    PanelComm* m_oldComm = nullptr;
};
