// The password that guards the configuration, and what follows its dialog.

#include "mainframe/mainframe.h"

#include "configdlg/configdlg.h"
#include "controls/messagebox.h"
#include "session/sessionending.h"
#include "settings/mainsettings.h"

#include <wx/textdlg.h>

namespace {

// Opens the configuration without asking: the installer's fixed password.
const wxString INSTALLER_PASSWORD = "harbor";

} // namespace

void MainFrame::OpenConfiguration()
{
    const wxString stored = CurrentSettings().Password();

    wxString answer;
    if (stored == INSTALLER_PASSWORD)
        answer = stored;
    else
        answer = wxGetPasswordFromUser("Enter password for advanced controls", "Password Entry",
                                       wxEmptyString, nullptr, wxDefaultCoord, wxDefaultCoord,
                                       true);
    if (answer.empty())
        return; // cancelled
    if (answer != stored)
    {
        ShowMessageBox("Password was incorrect", "Password Entry", wxOK | wxICON_ERROR, this);
        return;
    }
    {
        ConfigDlg dialog(this);
        dialog.CentreOnParent(wxBOTH);
        dialog.ShowModal();
    }
    if (theSessionEnding)
        return; // the session end takes over; nothing more opens
    // The dialog's edits reach this window through the user file on disk.
    ReadProjectorFiles(false);
    FillProjectorChoice();
    RestartSchedules();
    StartCampusLink();
}
