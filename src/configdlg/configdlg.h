#pragma once

#include "configdlg/configdlgbase.h"
#include "projdefs/projectorlist.h"

#include <functional>

class wxMenu;

class TreeItemData;

// The password-protected configuration dialog: the options of the settings
// file, the reference and user projector files with their trees and editor,
// programming of the control panel, and the schedules. Created on the
// caller's stack and shown modally once.
class ConfigDlg : public ConfigDlgBase
{
public:
    // The two projector files; a file's settings keys use its number + 1.
    enum : unsigned
    {
        REFERENCE_FILE = 0,
        USER_FILE = 1,
    };

    // Context-menu commands of the user tree.
    enum
    {
        ID_RENAME = 10000,
        ID_NEW_PROJECTOR = 10001,
        ID_DELETE_PROJECTOR = 10002,
        ID_NEW_COMMAND = 10003,
        ID_DELETE_COMMAND = 10004,
    };

    explicit ConfigDlg(wxWindow* parent);
    ~ConfigDlg() override;

    // Fills the Options page from the settings store.
    void LoadOptions();
    // Reads one projector file, as the settings name it, into its list and
    // tree. Unless quiet, a user file that cannot be read is reported.
    void LoadFile(unsigned file, bool quiet);
    // True: the file's list holds edits that are not on disk.
    void SetFileModified(unsigned file, bool modified);
    // Rebuilds a tree from its list: the version node first, then the
    // projectors sorted by name, each with its commands in entry order.
    void BuildProjectorTree(wxTreeCtrl* tree, ProjectorList* list);

protected:
    // Options page
    void OnOptionChanged(wxCommandEvent& event) override;
    void OnApply(wxCommandEvent& event) override;
    void OnRevertOptions(wxCommandEvent& event) override;
    void OnBrowseFile(wxCommandEvent& event) override;
    // The file the user picks, starting at `current`; empty when cancelled.
    wxString AskForFile(const wxString& current);
    // The projectors of the user file on disk, sorted, after "**None**";
    // the one the stored default names (in any letter case) is selected.
    void FillDefaultChoice(const wxString& path, const wxString& url, const wxString& defaultName);
    // What "Apply" stores as the default projector: the stored text while
    // its entry stays selected, else the selected name ("" for "**None**").
    wxString ChosenDefaultProjector() const;
    // Colours every text of the Options page that would not be stored as
    // typed; true when there is none.
    bool CheckOptionTexts();

    // Projector files
    void OnFileSave(wxCommandEvent& event) override;
    void OnFileRevert(wxCommandEvent& event) override;
    void OnFileUpdate(wxCommandEvent& event) override;
    void OnFilePush(wxCommandEvent& event) override;
    ProjectorList& ListOf(unsigned file);
    wxTreeCtrl* TreeOf(unsigned file);

    // Trees and the displays below them
    void OnTreeSelChanged(wxTreeEvent& event) override;
    // The payload of a tree item, or null.
    static TreeItemData* DataOf(wxTreeCtrl* tree, const wxTreeItemId& item);
    // Empties a tree without any selection handler running.
    void ClearTree(wxTreeCtrl* tree);
    // Shows what the item stands for below the trees and makes it the
    // current selection; an invalid item clears the displays.
    void ShowSelection(wxTreeCtrl* tree, const wxTreeItemId& item);

    // Editing the user tree
    void OnTreeItemRightClick(wxTreeEvent& event) override;
    void OnTreeItemMenu(wxTreeEvent& event) override;
    // The context menu of an item by its kind; null for the reference tree
    // and for items without payload. The caller deletes it.
    wxMenu* BuildTreeMenu(wxTreeCtrl* tree, const wxTreeItemId& item);
    void OnTreeMenuCommand(wxCommandEvent& event);
    void OnTreeBeginLabelEdit(wxTreeEvent& event) override;
    void OnTreeEndLabelEdit(wxTreeEvent& event) override;
    void OnCopyProjector(wxCommandEvent& event) override;
    // Removes a node and its model object; the displays follow the new selection.
    void DeleteNode(wxTreeCtrl* tree, const wxTreeItemId& node,
                    const std::function<void()>& removeFromModel);
    static ProjectorList* ListOfTree(wxTreeCtrl* tree);
    // The projector node of the tree whose payload is this projector.
    static wxTreeItemId ProjectorNode(wxTreeCtrl* tree, const Projector* projector);

    // Command value editor
    void OnCommandText(wxCommandEvent& event) override;
    // Colours the value editor by whether its text is a valid command string.
    void CheckCommandText();

    // Schedules page: the rows mirror theScheduleList by index; every change
    // is stored and flushed at once.
    void FillSchedulesPage();
    // Writes record index into its row, appending rows as needed.
    void ShowScheduleRow(long index);
    // Runs the schedule editor on record index (-1: a new record) and
    // stores what it returns with "Ok".
    void EditSchedule(long index);
    long SelectedScheduleRow() const;
    void OnEnableSchedules(wxCommandEvent& event) override;
    void OnScheduleSelected(wxListEvent& event) override;
    void OnScheduleDeselected(wxListEvent& event) override;
    void OnScheduleNew(wxCommandEvent& event) override;
    void OnScheduleEdit(wxCommandEvent& event) override;
    void OnScheduleDelete(wxCommandEvent& event) override;
    void OnScheduleDeleteAll(wxCommandEvent& event) override;

    // Programming the control panel and building commands
    void OnParameterText(wxCommandEvent& event) override;
    void OnProgram(wxCommandEvent& event) override;
    void OnHexText(wxCommandEvent& event) override;
    void OnAppendHex(wxCommandEvent& event) override;
    void OnAppendSpecial(wxCommandEvent& event) override;
    void OnAppendWait(wxCommandEvent& event) override;
    // Appends to the end of the command value, through its change notification.
    void AppendToCommand(const wxString& text);

    // Escape closes the dialog as its close box does (it has no Cancel
    // button for the toolkit to press), except while a label is edited.
    void OnDialogKey(wxKeyEvent& event) override;

    // Puts a value into a text control without a change notification.
    static void SetQuietly(wxTextCtrl* text, const wxString& value);
    // Gives a field the colour of invalid input, or its own colour again.
    static void ShowValidity(wxWindow* field, bool valid);

    bool m_optionsModified = false;
    // "/Proj/Default" as stored and the entry of the "Default:" choice that
    // it names (0 when none does).
    wxString m_storedDefault;
    int m_storedDefaultItem = 0;
    ProjectorList m_refList;
    ProjectorList m_userList;
    wxTreeCtrl* m_curTree = nullptr;
    Projector* m_curProjector = nullptr;
    // The entries the "Baud" and "Cable" texts edit; null when none is shown.
    ProjectorEntry* m_baudEntry = nullptr;
    ProjectorEntry* m_cableEntry = nullptr;
    // Set while the dialog rebuilds a tree, so that selection changes of the
    // toolkit do not reach the displays meanwhile.
    bool m_rebuilding = false;
};
