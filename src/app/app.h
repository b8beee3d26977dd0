#pragma once

#include <wx/app.h>
#include <wx/timer.h>

class App : public wxApp
{
public:
    App();
    bool OnInit() override;
    int OnExit() override;

    // SIGTERM, SIGHUP and SIGINT: the user session or the system ends the
    // program. Runs from the event loop, never inside the signal itself.
    static void OnTerminationSignal(int signal);

private:
    void EndSession();

    wxTimer m_endSessionRetry; // the end of a session waits for nested loops to return
    bool m_curlReady = false; // curl_global_init succeeded: cleaned up at exit
};

wxDECLARE_APP(App);

// The main window starts with "Demo Mode" ticked ("--demo"); set before the
// toolkit starts.
extern bool theStartInDemoMode;

