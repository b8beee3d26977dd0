#pragma once

#include <wx/app.h>

#include <memory>

class SessionWatch;

class App : public wxApp
{
public:
    App();
    ~App() override;
    bool OnInit() override;
    int OnExit() override;

    // SIGTERM, SIGHUP and SIGINT: the user session or the system ends the
    // program, through the main window's end of session. Runs from the event
    // loop, never inside the signal itself.
    static void OnTerminationSignal(int signal);

private:
    std::unique_ptr<SessionWatch> m_sessionWatch; // logout and shutdown reach the main window
    bool m_curlReady = false; // curl_global_init succeeded: cleaned up at exit
};

wxDECLARE_APP(App);

