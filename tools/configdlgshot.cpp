// kesto-configdlg-shot PAGE FILE.png: opens the configuration dialog on a
// neutral data folder (/tmp/AulavoxTech, the program's own rule with
// XDG_DATA_HOME=/tmp, with the settings an installed program records) holding
// the shipped reference file and a user file with a copy of one of its
// projectors, and two schedules; shows PAGE (options, projectors or
// schedules) and saves the dialog as a PNG (the README's pictures), so that
// no folder of the developer's shows. One page a run: under Xvfb the
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
#include "platform/appdatafolder.h"
#include "schedule/schedule.h"
#include "schedule/schedulestore.h"
#include "settings/settings.h"
#include "windowshot.h"

#include <wx/app.h>
#include <wx/file.h>
#include <wx/filefn.h>
#include <wx/utils.h>
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

// A morning switch-on on weekdays and a nightly switch-off.
void AddSampleSchedules()
{
    const wxDateTime today = wxDateTime::Today();
    Schedule lectures;
    lectures.name = "Lectures";
    lectures.action = TurnOn;
    lectures.repeat = Weekly;
    lectures.days = DAY_WEEKDAYS;
    lectures.startTime = today + wxTimeSpan::Minutes(7 * 60 + 45);
    lectures.stopTime = ScheduleNeverTime;
    Schedule night;
    night.name = "Night";
    night.action = TurnOff;
    night.repeat = Daily;
    night.startTime = today + wxTimeSpan::Hours(22);
    night.stopTime = ScheduleNeverTime;
    theScheduleList = {lectures, night};
    SetSchedulesEnabled(true);
}

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

    // The folder and files of a first start, as an installed program
    // records them.
    wxSetEnv("XDG_DATA_HOME", "/tmp");
    const wxString folder = FindAppDataFolder("AulavoxTech");
    if (folder.empty())
        return 1; // the log said why
    const wxString settingsFile = SettingsFilePath(folder);
    const wxString referenceFile = folder + "/AulavoxMaster.txt";
    const wxString userFile = folder + "/CustomList.txt";
    int status = 0;
    {
        wxFile user;
        if (!wxCopyFile(wxGetCwd() + "/data/AulavoxMaster.txt", referenceFile) ||
            !user.Open(userFile, wxFile::write) || !user.Write("version: 1.0\n"))
            status = 1;
    }
    theSettings = OpenSettingsStore(settingsFile);
    RecordDefaults(*theSettings, folder, "/usr/share/aulavox-kesto");
    theSettings->Write(FileUrlKey(FILE_USER), "file:///srv/rooms/CustomList.txt");
    theSettings->Write(KEY_PROJ_ALLOWCHANGE, false);
    AddSampleSchedules();

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
    for (const wxString& file : {settingsFile, referenceFile, userFile})
        wxRemoveFile(file);
    wxRmdir(folder);
    wxEntryCleanup();
    delete static_cast<LogStdout*>(theLog);
    return status;
}
