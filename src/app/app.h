#pragma once

#include <wx/app.h>
#include <wx/snglinst.h>

extern wxString theAppDataFolder;

class App : public wxApp
{
public:
    App();
    bool OnInit() override;
    int OnExit() override;

    // SIGTERM, SIGHUP and SIGINT: the user session or the system ends the
    // program, through the main window's end of session. Runs from the event
    // loop, never inside the signal itself.
    static void OnTerminationSignal(int signal);

private:
    wxSingleInstanceChecker m_checker;
    bool m_curlReady = false; // curl_global_init succeeded: cleaned up at exit
};

wxDECLARE_APP(App);

