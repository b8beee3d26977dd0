// The status timer, the projector file and the projector choice.

#include "mainframe/mainframe.h"

#include "connectiondlg/connectiondlg.h"
#include "controls/choiceorder.h"
#include "controls/localtext.h"
#include "controls/messagebox.h"
#include "mainframe/panelstatus.h"
#include "projdefs/leftovers.h"
#include "projdefs/projectorlist.h"
#include "session/sessionending.h"
#include "settings/mainsettings.h"

#include <wx/app.h>
#include <wx/utils.h>

#include <map>
#include <vector>

namespace {

constexpr int STATUS_INTERVAL_MS = 1000;

} // namespace

void MainFrame::OnStartupTimer(wxTimerEvent&)
{
    if (theSessionEnding)
    {
        // The end of the session waits for dialogs to go: look again.
        wxCloseEvent* end = new wxCloseEvent(wxEVT_END_SESSION, GetId());
        end->SetEventObject(this);
        end->SetCanVeto(false);
        QueueEvent(end);
        return;
    }
    // Closed for good before this tick came: the start-up's yield would
    // delete the window under this very call.
    if (wxTheApp != nullptr && wxTheApp->IsScheduledForDestruction(this))
        return;
    if (!m_startupDone && !RunStartupSteps())
        return; // the session ended meanwhile: the timer stays off
    if (m_linkUp)
        PollStatus();
    UpdateControls();
    m_statusTimer.StartOnce(STATUS_INTERVAL_MS);
}

bool MainFrame::RunStartupSteps()
{
    // A run killed while saving or downloading a projector file left its
    // temporary file; nothing of this run can be writing one yet.
    const MainSettings configured = CurrentSettings();
    for (unsigned file : {FILE_REFERENCE, FILE_USER})
        RemoveLeftoverTemporaries(ToLocal8Bit(configured.FileName(file)));

    LoadProjectorSource();
    ReadProjectorFiles(true);

    const MainSettings settings = CurrentSettings();
    int flags = 0;
    if (settings.AutoCheck())
        flags |= ConnectionDlg::UPDATE_CHECK;
    if (settings.AutoDownload())
        flags |= ConnectionDlg::UPDATE_DOWNLOAD;
    if (flags != 0)
    {
        flags |= ConnectionDlg::UPDATE_AUTOCLOSE;
        // The updater needs the one source; without a user file there is
        // nothing to check.
        if (ConnectionDlg::CanUpdate(theProjectorList))
        {
            ConnectionDlg dialog(this, theProjectorList);
            dialog.CentreOnParent(wxBOTH);
            dialog.Run(flags);
            if (theSessionEnding)
                return false;
        }
        // Problems of a possibly new file are reported now.
        ReadProjectorFiles(false);
    }

    FillProjectorChoice();

    Refresh();
    wxSafeYield(nullptr, true);

    // From now on the status is polled; a quiet connection is tried at once
    // when a projector is chosen.
    m_linkUp = true;
    m_startupDone = true;
    return true;
}

void MainFrame::LoadProjectorSource()
{
    theProjectorList->Clear();
    const MainSettings settings = CurrentSettings();
    const wxString path = settings.FileName(FILE_USER);
    const wxString url = settings.FileUrl(FILE_USER);
    // Only the user file: the reference file stays in the configuration.
    if (!path.empty())
        theProjectorList->AddSource(ToLocal8Bit(path), ToLocal8Bit(url));
}

FileResult MainFrame::ReadProjectorFiles(bool quiet)
{
    FileResult combined = FILE_OK;
    for (size_t source = 0; source < theProjectorList->GetSourceCount(); ++source)
        combined |= theProjectorList->ReadSource(source);
    if (quiet)
        return combined;
    if (IsFileError(combined))
        ShowMessageBox("Errors occurred while reading the projector files\nSee log for more details.",
                       "Projector File Read Error", wxOK | wxICON_ERROR, this);
    else if (combined != FILE_OK)
        ShowMessageBox("There were warnings concerning the projector files\nSee log for more details.",
                       "Projector File Read Error", wxOK | wxICON_EXCLAMATION, this);
    return combined;
}

void MainFrame::FillProjectorChoice()
{
    const MainSettings settings = CurrentSettings();
    const bool allowChange = settings.AllowChange();
    const wxString defaultName = settings.DefaultProjector();

    // The order InsertSorted gives (ByCharacterCodes, an exact
    // duplicate name kept once, for the first projector of that name), worked
    // out in memory: asking the toolkit's choice for its items one by one
    // takes seconds for thousands of projectors.
    std::map<wxString, Projector*, ByCharacterCodes> sorted;
    for (size_t i = 0; i < theProjectorList->GetProjectorCount(); ++i)
    {
        Projector* proj = theProjectorList->GetProjector(i);
        sorted.emplace(FromLocal8Bit(proj->GetName()), proj); // keeps the first
    }
    wxArrayString names;
    std::vector<void*> projectors;
    names.reserve(sorted.size() + 1);
    projectors.reserve(sorted.size() + 1);
    names.push_back("**Choose Projector**");
    projectors.push_back(nullptr);
    int defaultItem = 0;
    for (const auto& [name, proj] : sorted)
    {
        if (defaultItem == 0 && IsDefaultProjectorName(name, defaultName))
            defaultItem = static_cast<int>(names.size());
        names.push_back(name);
        projectors.push_back(proj);
    }

    m_projectorChoice->Clear();
    m_projectorChoice->Enable();
    m_projectorChoice->Append(names, projectors.data());
    m_projectorChoice->SetSelection(0);

    m_projectorSelected = !defaultName.empty();
    if (!defaultName.empty())
        m_projectorChoice->SetSelection(defaultItem); // item 0 when there is none

    wxCommandEvent chosen(wxEVT_COMBOBOX, m_projectorChoice->GetId());
    chosen.SetInt(m_projectorChoice->GetSelection());
    OnProjectorChoice(chosen);

    m_projectorChoice->Enable(allowChange);
    UpdateControls();
}
