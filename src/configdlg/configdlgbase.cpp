#include "configdlg/configdlgbase.h"

#include "configdlg/projectortree.h"

#include <algorithm>

namespace {

// A button of the given width, or wider where the theme needs more room
// for its label (GTK's padding alone takes most of 25 pixels).
wxButton* NarrowButton(wxWindow* parent, wxWindowID id, const wxString& label, int width)
{
    wxButton* button =
        new wxButton(parent, id, label, wxDefaultPosition, wxDefaultSize, wxBU_EXACTFIT);
    button->SetMinSize(wxSize(std::max(width, button->GetBestSize().GetWidth()), -1));
    return button;
}

} // namespace

ConfigDlgBase::ConfigDlgBase(wxWindow* parent, wxWindowID id, const wxString& title,
                             const wxPoint& pos, const wxSize& size, long style)
    : wxDialog(parent, id, title, pos, size, style)
{
    SetSizeHints(wxDefaultSize, wxDefaultSize);

    wxBoxSizer* topSizer = new wxBoxSizer(wxVERTICAL);
    m_notebook = new wxNotebook(this, wxID_ANY);
    m_notebook->AddPage(BuildOptionsPage(), "Options", true);
    m_notebook->AddPage(BuildProjectorsPage(), "Projectors", false);
    m_notebook->AddPage(BuildSchedulesPage(), "Schedules", false);
    topSizer->Add(m_notebook, 1, wxEXPAND | wxALL, 5);

    SetSizer(topSizer);
    // Larger than asked for where the theme's controls need the room, so
    // that no row is cut off.
    wxSize fitted = GetSize();
    fitted.IncTo(topSizer->ComputeFittingWindowSize(this));
    SetSize(fitted);
    Layout();

    ConnectEvents();
}

ConfigDlgBase::~ConfigDlgBase()
{
    // Child windows go with the dialog; the bindings go with their controls.
}

wxPanel* ConfigDlgBase::BuildOptionsPage()
{
    m_optionsPage = new wxPanel(m_notebook, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                wxTAB_TRAVERSAL);
    wxBoxSizer* pageSizer = new wxBoxSizer(wxVERTICAL);

    // Projector files
    wxStaticBoxSizer* filesBox =
        new wxStaticBoxSizer(new wxStaticBox(m_optionsPage, wxID_ANY, "Projector Files"), wxVERTICAL);
    wxWindow* filesParent = filesBox->GetStaticBox();
    wxFlexGridSizer* filesGrid = new wxFlexGridSizer(0, 4, 0, 0);
    filesGrid->AddGrowableCol(1);
    filesGrid->AddGrowableCol(3);
    filesGrid->SetFlexibleDirection(wxBOTH);
    filesGrid->SetNonFlexibleGrowMode(wxFLEX_GROWMODE_SPECIFIED);

    filesGrid->Add(0, 0, 1, wxEXPAND, 5);
    filesGrid->Add(new wxStaticText(filesParent, wxID_ANY, "Local copy of projector file"), 0,
                   wxALL, 5);
    filesGrid->Add(0, 0, 1, wxEXPAND, 5);
    filesGrid->Add(new wxStaticText(filesParent, wxID_ANY,
                                    "URL for the linked projector file          "),
                   0, wxALL, 5);

    filesGrid->Add(new wxStaticText(filesParent, wxID_ANY, "Reference"), 0,
                   wxALIGN_CENTER_VERTICAL | wxALL, 5);
    m_refFileText = new wxTextCtrl(filesParent, wxID_ANY);
    filesGrid->Add(m_refFileText, 1, wxEXPAND | wxALL, 5);
    m_refBrowseButton = NarrowButton(filesParent, ID_REF_BROWSE, "...", 25);
    filesGrid->Add(m_refBrowseButton, 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
    m_refUrlText = new wxTextCtrl(filesParent, wxID_ANY);
    filesGrid->Add(m_refUrlText, 1, wxEXPAND | wxALL, 5);

    filesGrid->Add(new wxStaticText(filesParent, wxID_ANY, "User"), 0,
                   wxALIGN_CENTER_VERTICAL | wxALL, 5);
    m_userFileText = new wxTextCtrl(filesParent, wxID_ANY);
    filesGrid->Add(m_userFileText, 1, wxEXPAND | wxALL, 5);
    m_userBrowseButton = NarrowButton(filesParent, ID_USER_BROWSE, "...", 25);
    filesGrid->Add(m_userBrowseButton, 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
    m_userUrlText = new wxTextCtrl(filesParent, wxID_ANY);
    filesGrid->Add(m_userUrlText, 1, wxEXPAND | wxALL, 5);

    filesBox->Add(filesGrid, 1, wxEXPAND, 5);
    pageSizer->Add(filesBox, 0, wxEXPAND | wxALL, 5);

    // User projector file options
    wxStaticBoxSizer* userBox = new wxStaticBoxSizer(
        new wxStaticBox(m_optionsPage, wxID_ANY, "User Projector File Options"), wxVERTICAL);
    wxWindow* userParent = userBox->GetStaticBox();
    wxBoxSizer* updateRow = new wxBoxSizer(wxHORIZONTAL);
    m_autoCheckBox = new wxCheckBox(userParent, wxID_ANY, "Check for updates on start up");
    updateRow->Add(m_autoCheckBox, 0, wxALL, 5);
    m_autoDownloadBox =
        new wxCheckBox(userParent, wxID_ANY, "Automatically download newer versions");
    updateRow->Add(m_autoDownloadBox, 0, wxALL, 5);
    userBox->Add(updateRow, 0, wxEXPAND, 5);
    wxBoxSizer* projectorRow = new wxBoxSizer(wxHORIZONTAL);
    m_allowChangeBox = new wxCheckBox(userParent, wxID_ANY, "Allow user to choose projector");
    projectorRow->Add(m_allowChangeBox, 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
    projectorRow->Add(new wxStaticText(userParent, wxID_ANY, "Default:"), 0,
                      wxALIGN_CENTER_VERTICAL | wxALL, 5);
    m_defaultChoice = new wxOwnerDrawnComboBox(userParent, wxID_ANY, wxEmptyString,
                                               wxDefaultPosition, wxDefaultSize, 0, nullptr,
                                               wxCB_READONLY);
    projectorRow->Add(m_defaultChoice, 1, wxALIGN_CENTER_VERTICAL | wxALL, 5);
    userBox->Add(projectorRow, 0, wxEXPAND, 5);
    pageSizer->Add(userBox, 0, wxEXPAND | wxALL, 5);

    // Other options
    wxStaticBoxSizer* otherBox =
        new wxStaticBoxSizer(new wxStaticBox(m_optionsPage, wxID_ANY, "Other Options"), wxVERTICAL);
    wxWindow* otherParent = otherBox->GetStaticBox();
    wxBoxSizer* modeRow = new wxBoxSizer(wxHORIZONTAL);
    m_whiteBoardBox = new wxCheckBox(otherParent, wxID_ANY, "Default to Whiteboard Mode");
    modeRow->Add(m_whiteBoardBox, 0, wxALL, 5);
    modeRow->Add(10, 0, 0, 0, 5);
    m_stayOnTopBox = new wxCheckBox(otherParent, wxID_ANY, "Default to \"Stay On Top\"");
    modeRow->Add(m_stayOnTopBox, 0, wxALL, 5);
    otherBox->Add(modeRow, 0, wxEXPAND, 5);
    wxBoxSizer* passwordRow = new wxBoxSizer(wxHORIZONTAL);
    passwordRow->Add(new wxStaticText(otherParent, wxID_ANY, "Password:"), 0,
                     wxALIGN_CENTER_VERTICAL | wxALL, 5);
    m_passwordText = new wxTextCtrl(otherParent, wxID_ANY, wxEmptyString, wxDefaultPosition,
                                    wxDefaultSize, wxTE_PASSWORD);
    m_passwordText->SetToolTip("The password of the configuration. It cannot begin or end with a blank, "
                               "nor hold a line break or another control character.");
    passwordRow->Add(m_passwordText, 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
    passwordRow->Add(new wxStaticText(otherParent, wxID_ANY, "Freeze Delay (ms):"), 0,
                     wxALIGN_CENTER_VERTICAL | wxALL, 5);
    m_freezeDelayText = new wxTextCtrl(otherParent, wxID_ANY, wxEmptyString, wxDefaultPosition,
                                       wxSize(50, -1));
    passwordRow->Add(m_freezeDelayText, 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
    otherBox->Add(passwordRow, 0, wxEXPAND, 5);
    wxBoxSizer* idleOffRow = new wxBoxSizer(wxHORIZONTAL);
    idleOffRow->Add(new wxStaticText(otherParent, wxID_ANY, "Turn off when unused for"), 0,
                    wxALIGN_CENTER_VERTICAL | wxALL, 5);
    m_idleOffText = new wxTextCtrl(otherParent, wxID_ANY, wxEmptyString, wxDefaultPosition,
                                   wxSize(50, -1));
    idleOffRow->Add(m_idleOffText, 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
    idleOffRow->Add(new wxStaticText(otherParent, wxID_ANY, "minutes (0: never)"), 0,
                    wxALIGN_CENTER_VERTICAL | wxALL, 5);
    otherBox->Add(idleOffRow, 0, wxEXPAND, 5);
    pageSizer->Add(otherBox, 0, wxEXPAND | wxALL, 5);

    pageSizer->AddStretchSpacer();

    wxBoxSizer* buttonRow = new wxBoxSizer(wxHORIZONTAL);
    buttonRow->AddStretchSpacer();
    m_applyButton = new wxButton(m_optionsPage, wxID_ANY, "Apply");
    m_applyButton->Enable(false);
    buttonRow->Add(m_applyButton, 0, wxALL, 5);
    m_revertButton = new wxButton(m_optionsPage, wxID_ANY, "Revert");
    m_revertButton->Enable(false);
    buttonRow->Add(m_revertButton, 0, wxALL, 5);
    buttonRow->AddStretchSpacer();
    pageSizer->Add(buttonRow, 0, wxEXPAND, 5);

    m_optionsPage->SetSizer(pageSizer);
    m_optionsPage->Layout();
    pageSizer->Fit(m_optionsPage);
    return m_optionsPage;
}

wxPanel* ConfigDlgBase::BuildProjectorsPage()
{
    m_projectorsPage = new wxPanel(m_notebook, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                   wxTAB_TRAVERSAL);
    wxPanel* page = m_projectorsPage;
    wxBoxSizer* pageSizer = new wxBoxSizer(wxVERTICAL);
    const long treeStyle = wxTR_HAS_BUTTONS | wxTR_LINES_AT_ROOT | wxTR_SINGLE;
    const int HEADING_BUTTON_WIDTH = 45;

    wxBoxSizer* treesRow = new wxBoxSizer(wxHORIZONTAL);

    // Reference column
    wxBoxSizer* refColumn = new wxBoxSizer(wxVERTICAL);
    wxBoxSizer* refHeading = new wxBoxSizer(wxHORIZONTAL);
    refHeading->Add(new wxStaticText(page, wxID_ANY, "Reference"), 0,
                    wxALIGN_CENTER_VERTICAL | wxALL, 5);
    refHeading->AddStretchSpacer();
    m_refSaveButton = NarrowButton(page, ID_REF_SAVE, "Save", HEADING_BUTTON_WIDTH);
    m_refSaveButton->Hide();
    refHeading->Add(m_refSaveButton, 0, wxALL, 2);
    m_refRevertButton =
        NarrowButton(page, ID_REF_REVERT, "Revert", HEADING_BUTTON_WIDTH);
    m_refRevertButton->Hide();
    refHeading->Add(m_refRevertButton, 0, wxALL, 2);
    m_refUpdateButton =
        NarrowButton(page, ID_REF_UPDATE, "Update", HEADING_BUTTON_WIDTH);
    m_refUpdateButton->SetToolTip("Download the latest reference file from the configure URL.");
    refHeading->Add(m_refUpdateButton, 0, wxALL, 2);
    refColumn->Add(refHeading, 0, wxEXPAND, 5);
    m_refTree = new ProjectorTree(page, ID_REF_TREE, wxDefaultPosition, wxDefaultSize, treeStyle);
    refColumn->Add(m_refTree, 1, wxEXPAND | wxALL, 5);
    treesRow->Add(refColumn, 1, wxEXPAND, 5);

    // Copy button between the trees
    wxBoxSizer* copyColumn = new wxBoxSizer(wxVERTICAL);
    copyColumn->AddStretchSpacer();
    m_copyButton = new wxButton(page, wxID_ANY, "->", wxDefaultPosition, wxDefaultSize,
                                wxBU_EXACTFIT);
    m_copyButton->Enable(false);
    copyColumn->Add(m_copyButton, 0, wxALL, 5);
    copyColumn->AddStretchSpacer();
    treesRow->Add(copyColumn, 0, wxEXPAND, 5);

    // User column
    wxBoxSizer* userColumn = new wxBoxSizer(wxVERTICAL);
    wxBoxSizer* userHeading = new wxBoxSizer(wxHORIZONTAL);
    userHeading->Add(new wxStaticText(page, wxID_ANY, "User"), 0,
                     wxALIGN_CENTER_VERTICAL | wxALL, 5);
    userHeading->AddStretchSpacer();
    m_userSaveButton = NarrowButton(page, ID_USER_SAVE, "Save", HEADING_BUTTON_WIDTH);
    m_userSaveButton->SetToolTip("Save the custom projector file to the hard drive.");
    userHeading->Add(m_userSaveButton, 0, wxALL, 2);
    m_userRevertButton =
        NarrowButton(page, ID_USER_REVERT, "Revert", HEADING_BUTTON_WIDTH);
    m_userRevertButton->SetToolTip("Revert changes to what was on the hard drive.");
    userHeading->Add(m_userRevertButton, 0, wxALL, 2);
    m_userPushButton = NarrowButton(page, ID_USER_PUSH, "Push", HEADING_BUTTON_WIDTH);
    m_userPushButton->SetToolTip("Send the local copy to the configured URL.");
    userHeading->Add(m_userPushButton, 0, wxALL, 2);
    m_userUpdateButton =
        NarrowButton(page, ID_USER_UPDATE, "Update", HEADING_BUTTON_WIDTH);
    m_userUpdateButton->SetToolTip(
        "Update the projector file on the hard drive from the configured URL.");
    userHeading->Add(m_userUpdateButton, 0, wxALL, 2);
    userColumn->Add(userHeading, 0, wxEXPAND, 5);
    m_userTree = new ProjectorTree(page, ID_USER_TREE, wxDefaultPosition, wxDefaultSize,
                                   treeStyle | wxTR_EDIT_LABELS);
    userColumn->Add(m_userTree, 1, wxEXPAND | wxALL, 5);
    treesRow->Add(userColumn, 1, wxEXPAND, 5);

    pageSizer->Add(treesRow, 1, wxEXPAND, 5);
    pageSizer->Add(new wxStaticLine(page, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                    wxLI_HORIZONTAL),
                   0, wxEXPAND | wxALL, 5);

    wxFont boldFont = page->GetFont();
    boldFont.SetWeight(wxFONTWEIGHT_BOLD);

    // Programming row
    m_programRow = new wxBoxSizer(wxHORIZONTAL);
    m_projectorText = new wxTextCtrl(page, wxID_ANY, wxEmptyString, wxDefaultPosition,
                                     wxSize(150, -1), wxTE_READONLY | wxBORDER_NONE);
    m_projectorText->SetFont(boldFont);
    m_programRow->Add(m_projectorText, 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
    m_programRow->Add(new wxStaticText(page, wxID_ANY, "Baud:"), 0,
                      wxALIGN_CENTER_VERTICAL | wxALL, 5);
    m_baudText = new wxTextCtrl(page, wxID_ANY, wxEmptyString, wxDefaultPosition, wxSize(60, -1));
    m_programRow->Add(m_baudText, 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
    m_programRow->Add(new wxStaticText(page, wxID_ANY, "Cable:"), 0,
                      wxALIGN_CENTER_VERTICAL | wxALL, 5);
    m_cableText = new wxTextCtrl(page, wxID_ANY, wxEmptyString, wxDefaultPosition, wxSize(80, -1));
    m_programRow->Add(m_cableText, 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
    m_programRow->AddStretchSpacer();
    m_programButton = new wxButton(page, wxID_ANY, "Program");
    m_programButton->SetToolTip(
        "Programs the Aulavox control panel with data for the selected projector.");
    m_programRow->Add(m_programButton, 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
    pageSizer->Add(m_programRow, 0, wxEXPAND, 5);

    // Command area
    m_commandArea = new wxBoxSizer(wxVERTICAL);
    wxBoxSizer* toolRow = new wxBoxSizer(wxHORIZONTAL);
    m_commandNameText = new wxTextCtrl(page, wxID_ANY, wxEmptyString, wxDefaultPosition,
                                       wxSize(150, -1), wxTE_READONLY | wxBORDER_NONE);
    m_commandNameText->SetFont(boldFont);
    toolRow->Add(m_commandNameText, 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
    toolRow->Add(new wxStaticText(page, wxID_ANY, "Hex:"), 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
    m_hexText = new wxTextCtrl(page, wxID_ANY, wxEmptyString, wxDefaultPosition, wxSize(40, -1));
    m_hexText->SetMaxLength(2);
    toolRow->Add(m_hexText, 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
    m_hexAppendButton = NarrowButton(page, wxID_ANY, "Append", 45);
    toolRow->Add(m_hexAppendButton, 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
    toolRow->AddStretchSpacer();
    wxString specials[] = {"CR", "ESC", "<", ">"};
    m_specialChoice = new wxChoice(page, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                   WXSIZEOF(specials), specials, 0);
    m_specialChoice->SetSelection(0);
    toolRow->Add(m_specialChoice, 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
    m_specialAppendButton = NarrowButton(page, wxID_ANY, "Append", 45);
    toolRow->Add(m_specialAppendButton, 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
    toolRow->AddStretchSpacer();
    toolRow->Add(new wxStaticText(page, wxID_ANY, "Wait:"), 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
    wxString waits[] = {"10 ms", "50 ms", "250 ms", "1 sec", "5 sec", "10 sec", "30 sec", "60 sec"};
    m_waitChoice = new wxChoice(page, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                WXSIZEOF(waits), waits, 0);
    m_waitChoice->SetMinSize(wxSize(std::max(60, m_waitChoice->GetBestSize().GetWidth()), -1));
    m_waitChoice->SetSelection(0);
    toolRow->Add(m_waitChoice, 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
    m_waitAppendButton = NarrowButton(page, wxID_ANY, "Append", 45);
    toolRow->Add(m_waitAppendButton, 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
    m_commandArea->Add(toolRow, 0, wxEXPAND, 5);
    m_commandText = new wxTextCtrl(page, wxID_ANY, wxEmptyString, wxDefaultPosition,
                                   wxDefaultSize,
                                   wxTE_MULTILINE | wxTE_DONTWRAP | wxHSCROLL | wxTE_NO_VSCROLL);
    m_commandArea->Add(m_commandText, 0, wxEXPAND | wxALL, 5);
    pageSizer->Add(m_commandArea, 0, wxEXPAND, 5);

    page->SetSizer(pageSizer);
    page->Layout();
    pageSizer->Fit(page);
    return page;
}

wxPanel* ConfigDlgBase::BuildSchedulesPage()
{
    m_schedulesPage = new wxPanel(m_notebook, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                  wxTAB_TRAVERSAL);
    wxPanel* page = m_schedulesPage;
    wxBoxSizer* pageSizer = new wxBoxSizer(wxVERTICAL);

    m_enableSchedulesBox = new wxCheckBox(page, wxID_ANY, "Enable Schedules");
    pageSizer->Add(m_enableSchedulesBox, 0, wxALL, 5);
    m_scheduleList = new VirtualReportList(page, wxID_ANY, wxLC_REPORT | wxLC_SINGLE_SEL);
    pageSizer->Add(m_scheduleList, 1, wxEXPAND | wxALL, 5);

    wxBoxSizer* buttonRow = new wxBoxSizer(wxHORIZONTAL);
    m_scheduleNewButton = new wxButton(page, wxID_ANY, "New");
    buttonRow->Add(m_scheduleNewButton, 0, wxALL, 5);
    m_scheduleEditButton = new wxButton(page, wxID_ANY, "Edit");
    buttonRow->Add(m_scheduleEditButton, 0, wxALL, 5);
    m_scheduleDeleteButton = new wxButton(page, wxID_ANY, "Delete");
    buttonRow->Add(m_scheduleDeleteButton, 0, wxALL, 5);
    m_scheduleDeleteAllButton = new wxButton(page, wxID_ANY, "Delete All");
    buttonRow->Add(m_scheduleDeleteAllButton, 0, wxALL, 5);
    pageSizer->Add(buttonRow, 0, wxEXPAND, 5);

    page->SetSizer(pageSizer);
    page->Layout();
    pageSizer->Fit(page);
    return page;
}

void ConfigDlgBase::ConnectEvents()
{
    // Options
    for (wxTextCtrl* text : {m_refFileText, m_refUrlText, m_userFileText, m_userUrlText,
                             m_passwordText, m_freezeDelayText, m_idleOffText})
        text->Bind(wxEVT_TEXT, &ConfigDlgBase::OnOptionChanged, this);
    for (wxCheckBox* box : {m_autoCheckBox, m_autoDownloadBox, m_allowChangeBox, m_whiteBoardBox,
                            m_stayOnTopBox})
        box->Bind(wxEVT_CHECKBOX, &ConfigDlgBase::OnOptionChanged, this);
    m_defaultChoice->Bind(wxEVT_COMBOBOX, &ConfigDlgBase::OnOptionChanged, this);
    m_refBrowseButton->Bind(wxEVT_BUTTON, &ConfigDlgBase::OnBrowseFile, this);
    m_userBrowseButton->Bind(wxEVT_BUTTON, &ConfigDlgBase::OnBrowseFile, this);
    m_applyButton->Bind(wxEVT_BUTTON, &ConfigDlgBase::OnApply, this);
    m_revertButton->Bind(wxEVT_BUTTON, &ConfigDlgBase::OnRevertOptions, this);

    // Projectors
    m_refSaveButton->Bind(wxEVT_BUTTON, &ConfigDlgBase::OnFileSave, this);
    m_userSaveButton->Bind(wxEVT_BUTTON, &ConfigDlgBase::OnFileSave, this);
    m_refRevertButton->Bind(wxEVT_BUTTON, &ConfigDlgBase::OnFileRevert, this);
    m_userRevertButton->Bind(wxEVT_BUTTON, &ConfigDlgBase::OnFileRevert, this);
    m_refUpdateButton->Bind(wxEVT_BUTTON, &ConfigDlgBase::OnFileUpdate, this);
    m_userUpdateButton->Bind(wxEVT_BUTTON, &ConfigDlgBase::OnFileUpdate, this);
    m_userPushButton->Bind(wxEVT_BUTTON, &ConfigDlgBase::OnFilePush, this);
    for (wxTreeCtrl* tree : {m_refTree, m_userTree})
    {
        tree->Bind(wxEVT_TREE_END_LABEL_EDIT, &ConfigDlgBase::OnTreeEndLabelEdit, this);
        tree->Bind(wxEVT_TREE_ITEM_MENU, &ConfigDlgBase::OnTreeItemMenu, this);
        tree->Bind(wxEVT_TREE_ITEM_RIGHT_CLICK, &ConfigDlgBase::OnTreeItemRightClick, this);
        tree->Bind(wxEVT_TREE_SEL_CHANGED, &ConfigDlgBase::OnTreeSelChanged, this);
    }
    m_userTree->Bind(wxEVT_TREE_BEGIN_LABEL_EDIT, &ConfigDlgBase::OnTreeBeginLabelEdit, this);
    m_copyButton->Bind(wxEVT_BUTTON, &ConfigDlgBase::OnCopyProjector, this);
    m_baudText->Bind(wxEVT_TEXT, &ConfigDlgBase::OnParameterText, this);
    m_cableText->Bind(wxEVT_TEXT, &ConfigDlgBase::OnParameterText, this);
    m_programButton->Bind(wxEVT_BUTTON, &ConfigDlgBase::OnProgram, this);
    m_hexText->Bind(wxEVT_TEXT, &ConfigDlgBase::OnHexText, this);
    m_hexAppendButton->Bind(wxEVT_BUTTON, &ConfigDlgBase::OnAppendHex, this);
    m_specialAppendButton->Bind(wxEVT_BUTTON, &ConfigDlgBase::OnAppendSpecial, this);
    m_waitAppendButton->Bind(wxEVT_BUTTON, &ConfigDlgBase::OnAppendWait, this);
    m_commandText->Bind(wxEVT_TEXT, &ConfigDlgBase::OnCommandText, this);

    // Schedules
    m_enableSchedulesBox->Bind(wxEVT_CHECKBOX, &ConfigDlgBase::OnEnableSchedules, this);
    m_scheduleList->Bind(wxEVT_LIST_ITEM_DESELECTED, &ConfigDlgBase::OnScheduleDeselected, this);
    m_scheduleList->Bind(wxEVT_LIST_ITEM_SELECTED, &ConfigDlgBase::OnScheduleSelected, this);
    m_scheduleNewButton->Bind(wxEVT_BUTTON, &ConfigDlgBase::OnScheduleNew, this);
    m_scheduleEditButton->Bind(wxEVT_BUTTON, &ConfigDlgBase::OnScheduleEdit, this);
    m_scheduleDeleteButton->Bind(wxEVT_BUTTON, &ConfigDlgBase::OnScheduleDelete, this);
    m_scheduleDeleteAllButton->Bind(wxEVT_BUTTON, &ConfigDlgBase::OnScheduleDeleteAll, this);

    // Every key of the dialog, before the control with the focus sees it.
    Bind(wxEVT_CHAR_HOOK, &ConfigDlgBase::OnDialogKey, this);
}
