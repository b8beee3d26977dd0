#pragma once

#include "configdlg/virtualreportlist.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/dialog.h>
#include <wx/listctrl.h>
#include <wx/notebook.h>
#include <wx/odcombo.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/statline.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/treectrl.h>

// Layout of the configuration dialog: builds the controls of its three pages
// and connects their events to virtual handlers that only pass the event on.
// ConfigDlg gives them their behaviour.
class ConfigDlgBase : public wxDialog
{
public:
    // Control identifiers the handlers tell apart.
    enum
    {
        ID_REF_BROWSE = 1000,
        ID_USER_BROWSE = 1001,
        ID_REF_SAVE = 1002,
        ID_REF_REVERT = 1003,
        ID_REF_UPDATE = 1004,
        ID_REF_TREE = 1005,
        ID_USER_SAVE = 1006,
        ID_USER_REVERT = 1007,
        ID_USER_PUSH = 1008,
        ID_USER_UPDATE = 1009,
        ID_USER_TREE = 1010,
    };

    ConfigDlgBase(wxWindow* parent, wxWindowID id = wxID_ANY,
                  const wxString& title = "Configuration",
                  const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxSize(561, 406),
                  long style = wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX);
    ~ConfigDlgBase() override;

protected:
    wxNotebook* m_notebook;

    // "Options"
    wxPanel* m_optionsPage;
    wxTextCtrl* m_refFileText;
    wxButton* m_refBrowseButton;
    wxTextCtrl* m_refUrlText;
    wxTextCtrl* m_userFileText;
    wxButton* m_userBrowseButton;
    wxTextCtrl* m_userUrlText;
    wxCheckBox* m_autoCheckBox;
    wxCheckBox* m_autoDownloadBox;
    wxCheckBox* m_allowChangeBox;
    // A generic read-only combo box: GTK's native choice takes seconds to
    // take thousands of projectors.
    wxOwnerDrawnComboBox* m_defaultChoice;
    wxCheckBox* m_whiteBoardBox;
    wxCheckBox* m_stayOnTopBox;
    wxTextCtrl* m_passwordText;
    wxTextCtrl* m_freezeDelayText;
    wxTextCtrl* m_idleOffText;
    wxButton* m_applyButton;
    wxButton* m_revertButton;

    // "Projectors"
    wxPanel* m_projectorsPage;
    wxButton* m_refSaveButton;
    wxButton* m_refRevertButton;
    wxButton* m_refUpdateButton;
    wxTreeCtrl* m_refTree;
    wxButton* m_copyButton;
    wxButton* m_userSaveButton;
    wxButton* m_userRevertButton;
    wxButton* m_userPushButton;
    wxButton* m_userUpdateButton;
    wxTreeCtrl* m_userTree;
    wxBoxSizer* m_programRow;
    wxTextCtrl* m_projectorText;
    wxTextCtrl* m_baudText;
    wxTextCtrl* m_cableText;
    wxButton* m_programButton;
    wxBoxSizer* m_commandArea;
    wxTextCtrl* m_commandNameText;
    wxTextCtrl* m_hexText;
    wxButton* m_hexAppendButton;
    wxChoice* m_specialChoice;
    wxButton* m_specialAppendButton;
    wxChoice* m_waitChoice;
    wxButton* m_waitAppendButton;
    wxTextCtrl* m_commandText;

    // "Schedules"
    wxPanel* m_schedulesPage;
    wxCheckBox* m_enableSchedulesBox;
    VirtualReportList* m_scheduleList;
    wxButton* m_scheduleNewButton;
    wxButton* m_scheduleEditButton;
    wxButton* m_scheduleDeleteButton;
    wxButton* m_scheduleDeleteAllButton;

    // Handlers; override them.
    virtual void OnOptionChanged(wxCommandEvent& event) { event.Skip(); }
    virtual void OnBrowseFile(wxCommandEvent& event) { event.Skip(); }
    virtual void OnApply(wxCommandEvent& event) { event.Skip(); }
    virtual void OnRevertOptions(wxCommandEvent& event) { event.Skip(); }
    virtual void OnFileSave(wxCommandEvent& event) { event.Skip(); }
    virtual void OnFileRevert(wxCommandEvent& event) { event.Skip(); }
    virtual void OnFileUpdate(wxCommandEvent& event) { event.Skip(); }
    virtual void OnTreeEndLabelEdit(wxTreeEvent& event) { event.Skip(); }
    virtual void OnTreeItemMenu(wxTreeEvent& event) { event.Skip(); }
    virtual void OnTreeItemRightClick(wxTreeEvent& event) { event.Skip(); }
    virtual void OnTreeSelChanged(wxTreeEvent& event) { event.Skip(); }
    virtual void OnCopyProjector(wxCommandEvent& event) { event.Skip(); }
    virtual void OnFilePush(wxCommandEvent& event) { event.Skip(); }
    virtual void OnTreeBeginLabelEdit(wxTreeEvent& event) { event.Skip(); }
    virtual void OnParameterText(wxCommandEvent& event) { event.Skip(); }
    virtual void OnProgram(wxCommandEvent& event) { event.Skip(); }
    virtual void OnHexText(wxCommandEvent& event) { event.Skip(); }
    virtual void OnAppendHex(wxCommandEvent& event) { event.Skip(); }
    virtual void OnAppendSpecial(wxCommandEvent& event) { event.Skip(); }
    virtual void OnAppendWait(wxCommandEvent& event) { event.Skip(); }
    virtual void OnCommandText(wxCommandEvent& event) { event.Skip(); }
    virtual void OnEnableSchedules(wxCommandEvent& event) { event.Skip(); }
    virtual void OnScheduleDeselected(wxListEvent& event) { event.Skip(); }
    virtual void OnScheduleSelected(wxListEvent& event) { event.Skip(); }
    virtual void OnScheduleNew(wxCommandEvent& event) { event.Skip(); }
    virtual void OnScheduleEdit(wxCommandEvent& event) { event.Skip(); }
    virtual void OnScheduleDelete(wxCommandEvent& event) { event.Skip(); }
    virtual void OnScheduleDeleteAll(wxCommandEvent& event) { event.Skip(); }
    virtual void OnDialogKey(wxKeyEvent& event) { event.Skip(); }

private:
    wxPanel* BuildOptionsPage();
    wxPanel* BuildProjectorsPage();
    wxPanel* BuildSchedulesPage();
    void ConnectEvents();
};
