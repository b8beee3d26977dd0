// Creation and the parts every page shares.

#include "configdlg/configdlg.h"

#include "configdlg/campuspage.h"
#include "controls/enablesizer.h"

ConfigDlg::ConfigDlg(wxWindow* parent)
    : ConfigDlgBase(parent, wxID_ANY, "Configuration", wxDefaultPosition, wxSize(561, 406),
                    wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX)
{
    LoadOptions();
    m_curTree = nullptr;
    LoadFile(REFERENCE_FILE, true);
    LoadFile(USER_FILE, false);
    EnableSizer(m_programRow, false);
    EnableSizer(m_commandArea, false);
    FillSchedulesPage();
    m_notebook->AddPage(new CampusPage(m_notebook), "Campus", false);
}

ConfigDlg::~ConfigDlg()
{
    // The trees' payloads point into the lists, which go first: empty the
    // trees while this class's handlers can still keep quiet.
    ClearTree(m_refTree);
    ClearTree(m_userTree);
    m_curProjector = nullptr;
    m_baudEntry = nullptr;
    m_cableEntry = nullptr;
}

void ConfigDlg::OnDialogKey(wxKeyEvent& event)
{
    const bool editingLabel = m_refTree->GetEditControl() != nullptr || m_userTree->GetEditControl() != nullptr;
    if (event.GetKeyCode() != WXK_ESCAPE || event.HasAnyModifiers() || editingLabel)
    {
        event.Skip();
        return;
    }
    Close();
}

void ConfigDlg::SetFileModified(unsigned file, bool modified)
{
    wxButton* save = file == USER_FILE ? m_userSaveButton : m_refSaveButton;
    wxButton* revert = file == USER_FILE ? m_userRevertButton : m_refRevertButton;
    save->Enable(modified);
    revert->Enable(modified);
}

ProjectorList& ConfigDlg::ListOf(unsigned file)
{
    return file == USER_FILE ? m_userList : m_refList;
}

wxTreeCtrl* ConfigDlg::TreeOf(unsigned file)
{
    return file == USER_FILE ? m_userTree : m_refTree;
}

void ConfigDlg::SetQuietly(wxTextCtrl* text, const wxString& value)
{
    text->ChangeValue(value);
}

