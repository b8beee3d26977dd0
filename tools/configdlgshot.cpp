// kesto-configdlg-shot PAGE FILE.png: opens the configuration dialog with
// the shipped reference file and a user file holding a copy of one of its
// projectors, shows PAGE (options, projectors or schedules) and saves the
// dialog as a PNG (the README's pictures). One page a run: under Xvfb the
// toolkit's screen capture gives the first picture of a process again.
// Run from the repository root under Xvfb:
//   cmake --build build --target kesto-configdlg-shot
//   for page in options projectors schedules; do
//     xvfb-run -a -s "-screen 0 1280x800x24" build/kesto-configdlg-shot $page docs/config-$page.png
//   done

#include "app/toolkitstart.h"
#include "configdlg/configdlg.h"
#include "configdlg/treeitemdata.h"
#include "log/log.h"
#include "settings/settings.h"
#include "windowshot.h"

#include <wx/app.h>
#include <wx/file.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/init.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char COPIED[] = "Epson ESC/VP21";

// Fills the dialog as an installer would, through its own handlers.
class ShotDlg : public ConfigDlg
{
public:
    ShotDlg() : ConfigDlg(nullptr) {}

    // GTK's notebook shows the page that holds the focus, which the dialog
    // gives to its first control when shown: the focus goes to the tabs.
    void ShowPage(size_t page)
    {
        m_notebook->SetSelection(page);
        m_notebook->SetFocus();
    }

    // Copies a reference projector into the user file and selects one of
    // its commands, so that the rows below the trees are filled.
    void PrepareProjectors()
    {
        const wxTreeItemId refNode = FindChild(m_refTree, m_refTree->GetRootItem(), COPIED);
        if (!refNode.IsOk())
            return;
        m_refTree->SelectItem(refNode);
        wxCommandEvent copy(wxEVT_BUTTON, m_copyButton->GetId());
        OnCopyProjector(copy);
        const wxTreeItemId userNode = FindChild(m_userTree, m_userTree->GetRootItem(), COPIED);
        if (!userNode.IsOk())
            return;
        m_userTree->Expand(userNode);
        const wxTreeItemId command = FindChild(m_userTree, userNode, "SourceVGA");
        if (command.IsOk())
            m_userTree->SelectItem(command);
        m_hexText->ChangeValue("0D");
    }

private:
    static wxTreeItemId FindChild(wxTreeCtrl* tree, const wxTreeItemId& parent, const wxString& label)
    {
        wxTreeItemIdValue cookie;
        for (wxTreeItemId child = tree->GetFirstChild(parent, cookie); child.IsOk();
             child = tree->GetNextChild(parent, cookie))
            if (tree->GetItemText(child) == label)
                return child;
        return wxTreeItemId();
    }
};

} // namespace

int main(int argc, char** argv)
{
    const char* const pages[] = {"options", "projectors", "schedules"};
    size_t page = WXSIZEOF(pages);
    for (size_t i = 0; argc == 3 && i < WXSIZEOF(pages); ++i)
        if (strcmp(argv[1], pages[i]) == 0)
            page = i;
    if (page == WXSIZEOF(pages))
    {
        fprintf(stderr, "usage: kesto-configdlg-shot options|projectors|schedules FILE.png\n");
        return 2;
    }
    const wxString fileName = argv[2];
    if (!StartToolkitWithoutLoop(argc, argv))
        return 1;
    theLog = new LogStdout;
    theLog->SetMask(3); // errors and warnings

    const wxString settingsFile = wxFileName::CreateTempFileName("kesto-shot");
    // The user file in a folder of its own, so that it keeps its usual name.
    char folder[] = "/tmp/kesto-shot-XXXXXX";
    if (mkdtemp(folder) == nullptr)
    {
        perror("mkdtemp");
        return 1;
    }
    const wxString userFile = wxString(folder) + "/CustomList.txt";
    int status = 0;
    {
        wxFile user;
        if (!user.Open(userFile, wxFile::write) || !user.Write("version: 1.0\n"))
            status = 1;
    }
    const wxString referenceFile = wxGetCwd() + "/data/AulavoxMaster.txt";
    theSettings = OpenSettingsStore(settingsFile);
    theSettings->Write(FileNameKey(FILE_REFERENCE), referenceFile);
    theSettings->Write(FileUrlKey(FILE_REFERENCE), "file://" + referenceFile);
    theSettings->Write(FileNameKey(FILE_USER), userFile);
    theSettings->Write(FileUrlKey(FILE_USER), "file:///srv/rooms/CustomList.txt");
    theSettings->Write(KEY_PROJ_ALLOWCHANGE, false);
    theSettings->Write(KEY_OPTIONS_PASSWORD, "lemon");
    theSettings->Write(KEY_OPTIONS_FREEZEDELAY, "500");

    ShotDlg* dialog = new ShotDlg;
    dialog->PrepareProjectors();
    dialog->Move(20, 20);
    dialog->Show();
    dialog->Raise();
    Pump(300);
    dialog->ShowPage(page);
    Pump(500);
    if (status == 0 && !SaveWindow(dialog, fileName))
    {
        fprintf(stderr, "cannot save the dialog to %s\n", static_cast<const char*>(fileName.utf8_str()));
        status = 1;
    }
    dialog->Destroy();
    wxTheApp->ProcessPendingEvents();
    delete theSettings;
    wxRemoveFile(settingsFile);
    wxRemoveFile(userFile);
    wxRmdir(folder);
    wxEntryCleanup();
    delete static_cast<LogStdout*>(theLog);
    return status;
}
