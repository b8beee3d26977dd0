#include "app/app.h"

#include "comm/panelcomm.h"
#include "log/log.h"
#include "log/toolkitlog.h"
#include "mainframe/mainframe.h"
#include "platform/appdatafolder.h"
#include "platform/installedfiles.h"
#include "projdefs/projectorlist.h"
#include "schedule/schedulestore.h"
#include "session/sessionwatch.h"
#include "settings/settings.h"

#include <curl/curl.h>

#include <wx/filefn.h>
#include <wx/image.h>
#include <wx/stdpaths.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

bool theStartInDemoMode = false;

App::App() = default;
App::~App() = default;

bool App::OnInit()
{
    // The toolkit made a log target of its own while it started (one that
    // shows boxes): ours again.
    RouteToolkitMessagesToLog();
    wxImage::AddHandler(new wxPNGHandler);
    SetAppName("AulavoxKesto");
    SetVendorName("AulavoxTech");

    // The single-instance check, the log, the data folder and the command
    // line came before the toolkit started (main).

    // From here on a termination signal ends the session (OnExit follows). It
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
    Bind(wxEVT_QUERY_END_SESSION, &MainFrame::OnQueryEndSession, frame);
    Bind(wxEVT_END_SESSION, &MainFrame::OnEndSession, frame);
    m_sessionWatch = std::make_unique<SessionWatch>();
    m_sessionWatch->Start(wxStandardPaths::Get().GetExecutablePath().utf8_string());

    frame->Show();
    return true;
}

void App::OnTerminationSignal(int)
{
    EndTheSessionNow();
}

int App::OnExit()
{
    // Session manager and logind first: nothing reaches the window any more.
    m_sessionWatch.reset();
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
