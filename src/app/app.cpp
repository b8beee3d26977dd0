#include "app/app.h"

#include "comm/panelcomm.h"
#include "log/log.h"
#include "mainframe/mainframe.h"
#include "platform/appdatafolder.h"
#include "platform/installedfiles.h"
#include "projdefs/projectorlist.h"
#include "schedule/schedulestore.h"
#include "settings/settings.h"

#include <curl/curl.h>

#include <wx/dialog.h>
#include <wx/evtloop.h>
#include <wx/filefn.h>
#include <wx/image.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

bool theStartInDemoMode = false;

App::App() : m_endSessionRetry(this)
{
    Bind(wxEVT_TIMER, [this](wxTimerEvent&) { EndSession(); }, m_endSessionRetry.GetId());
}

bool App::OnInit()
{
    wxImage::AddHandler(new wxPNGHandler);
    SetAppName("AulavoxKesto");
    SetVendorName("AulavoxTech");

    // The single-instance check, the log, the data folder and the command
    // line came before the toolkit started (main).

    // From here on a termination signal ends the program through OnExit. It
    // is taken before the settings file is first written, so anyone who sees
    // the file can rely on an orderly end.
    for (int sig : {SIGTERM, SIGHUP, SIGINT})
        SetSignalHandler(sig, &App::OnTerminationSignal);

    // Step 7: the projector list (empty; the main window reads the user file).
    theProjectorList = new ProjectorList;
    // libcurl once for the whole process, before any update transfer. Without
    // it the program still runs; every update then fails and says so.
    m_curlReady = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    if (!m_curlReady)
        theLog->Print(Log::LEVEL_ERROR, "unable to initialize network library");
    // Step 8: the control-panel link.
    thePanelComm = new PanelComm;

    // Without a data folder the settings live in memory only: no file is
    // ever written outside that folder.
    theSettings = OpenSettingsStore(theAppDataFolder.empty() ? wxString() : SettingsFilePath(theAppDataFolder));
    // The shipped reference file: the working folder's data/, else the installed one.
    RecordDefaults(*theSettings, theAppDataFolder, ShippedDataBaseFolder(wxGetCwd(), InstalledDataFolder()));
    LoadScheduleList();

    // The main window owns nothing of the above; the toolkit owns it.
    MainFrame* frame = new MainFrame;
    if (theStartInDemoMode)
        frame->StartInDemoMode();
    SetTopWindow(frame);

    frame->Show();
    return true;
}

void App::OnTerminationSignal(int)
{
    static_cast<App*>(wxTheApp)->EndSession();
}

void App::EndSession()
{
    // Non-vetoable. A dialog lives on its caller's stack: end its loop and let
    // the caller return, never delete it from here.
    const wxWindowList windows = wxTopLevelWindows; // closing may change the list
    for (wxWindow* window : windows)
    {
        wxDialog* dialog = dynamic_cast<wxDialog*>(window);
        if (dialog == nullptr)
            continue;
        if (dialog->IsModal())
            dialog->EndModal(wxID_CANCEL);
        else if (dialog->IsShown())
            dialog->Close(true);
    }

    // Frames go only once no nested loop or yield of a caller is on the
    // stack, so no handler returns into a deleted window. Then the main loop
    // ends and OnExit releases everything in order.
    wxEventLoopBase* active = wxEventLoopBase::GetActive();
    if (active == nullptr)
        return; // no loop runs: nothing left to end
    if (active != m_mainLoop || active->IsYielding())
    {
        // Try again shortly. A timer, not a posted event: a yield on the
        // stack would process a posted event at once, and again, forever.
        if (!m_endSessionRetry.IsRunning())
            m_endSessionRetry.StartOnce(10);
        return;
    }
    for (wxWindow* window : wxWindowList(wxTopLevelWindows))
        if (!dynamic_cast<wxDialog*>(window))
            window->Destroy();
    ExitMainLoop();
}

int App::OnExit()
{
    // Order matters: the link first, then the projector list, the settings, the log.
    delete thePanelComm; // closes an open port and the I2C bus
    thePanelComm = nullptr;
    delete theProjectorList; // stops a running update transfer
    theProjectorList = nullptr;
    if (m_curlReady)
        curl_global_cleanup();
    m_curlReady = false;
    delete theSettings; // writes pending changes
    theSettings = nullptr;
    delete static_cast<LogStdout*>(theLog);
    theLog = nullptr;
    fflush(stdout);
    return 0;
}
