// The two projector files: loading, saving, updating and pushing.

#include "configdlg/configdlg.h"

#include "configdlg/pushfile.h"
#include "connectiondlg/connectiondlg.h"
#include "controls/localtext.h"
#include "controls/messagebox.h"
#include "log/log.h"
#include "session/sessionending.h"
#include "settings/mainsettings.h"

#include <wx/utils.h>

namespace {

wxString LastErrorText()
{
    return theLog ? FromLocal8Bit(theLog->GetLastErrorText()) : wxString();
}

} // namespace

void ConfigDlg::LoadFile(unsigned file, bool quiet)
{
    // The settings as applied, not the Options page's texts.
    const MainSettings settings = CurrentSettings();
    const wxString path = settings.FileName(file + 1);
    const wxString url = settings.FileUrl(file + 1);
    ProjectorList& list = ListOf(file);
    wxTreeCtrl* tree = TreeOf(file);

    ClearTree(tree);
    list.Clear();

    if (!path.empty())
    {
        list.AddSource(ToLocal8Bit(path), ToLocal8Bit(url));
        const FileResult result = list.ReadSource(0);
        if (file == USER_FILE && IsFileError(result) && !quiet)
        {
            ShowMessageBox(LastErrorText() + "\rThis will use defaults.", "File error",
                           wxOK | wxICON_ERROR, this);
            list.GetSource(0)->version = "0.0.0";
        }
        // What the read delivered before it stopped is shown.
        BuildProjectorTree(tree, &list);
    }

    // The updater and the push need both the file and its URL.
    const bool networked = !url.empty() && !path.empty();
    if (file == USER_FILE)
    {
        m_userUpdateButton->Enable(networked);
        m_userPushButton->Enable(networked);
    }
    else
    {
        m_refUpdateButton->Enable(networked);
    }

    const wxTreeItemId root = tree->GetRootItem();
    if (root.IsOk())
    {
        m_rebuilding = true;
        tree->SelectItem(root);
        m_rebuilding = false;
        ShowSelection(tree, root);
    }
    SetFileModified(file, false);
}

void ConfigDlg::OnFileSave(wxCommandEvent& event)
{
    // The reference file's button is hidden and does nothing.
    if (event.GetId() != ID_USER_SAVE || m_userList.GetSourceCount() == 0)
        return;
    if (m_userList.WriteSource(0) == FILE_OK)
        SetFileModified(USER_FILE, false);
    else
        ShowMessageBox(LastErrorText(), "Error", wxOK | wxICON_ERROR, this);
}

void ConfigDlg::OnFileRevert(wxCommandEvent& event)
{
    if (event.GetId() == ID_USER_REVERT)
        LoadFile(USER_FILE, false);
}

void ConfigDlg::OnFileUpdate(wxCommandEvent& event)
{
    const unsigned file = event.GetId() == ID_REF_UPDATE ? REFERENCE_FILE : USER_FILE;
    ProjectorList& list = ListOf(file);
    if (!ConnectionDlg::CanUpdate(&list))
        return; // no file to update: the button is disabled then
    {
        ConnectionDlg dialog(this, &list);
        dialog.CentreOnParent(wxBOTH);
        dialog.Run(ConnectionDlg::UPDATE_CHECK);
    }
    if (theSessionEnding)
        return; // nothing more opens while the session ends
    LoadFile(file, file == REFERENCE_FILE);
}

void ConfigDlg::OnFilePush(wxCommandEvent&)
{
    // Push copies the file on disk; unsaved edits stay behind.
    if (m_userList.GetSourceCount() == 0)
        return; // no file to push: the button is disabled then
    const ProjectorSource* source = m_userList.GetSource(0);
    if (source->url.empty())
    {
        ShowMessageBox("There is no UL configured for the user projector file.", "URL Error",
                       wxOK | wxICON_ERROR, this);
        return;
    }
    const std::string destination = PushDestination(source->url);
    if (destination.empty())
    {
        ShowMessageBox("Currently, this can only push to file URLs", "URL Error",
                       wxOK | wxICON_ERROR, this);
        return;
    }
    bool copied;
    {
        wxBusyCursor busy;
        copied = CopyFileReplacing(source->fileName, destination);
    }
    if (copied)
        ShowMessageBox("File was copied", "Push File", wxOK | wxICON_NONE, this);
    else
        ShowMessageBox("File was unable to be copied", "File Error", wxOK | wxICON_ERROR, this);
}
