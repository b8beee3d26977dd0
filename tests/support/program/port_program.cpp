// The program as it ships, except that its only serial port is the
// pseudo-terminal named by KESTO_TEST_PORT: black-box tests run it against
// the simulated control box.

#include "app/app.h"
#include "comm/panelcomm.h"
#include "log/log.h"
#include "platform/appdatafolder.h"
#include "platform/toolkitenvironment.h"
#include "support/core/panel_simulator.h"

#include <clocale>

#include <cstdio>
#include <cstdlib>

namespace {

class PortApp : public App
{
public:
    bool OnInit() override
    {
        if (!App::OnInit())
            return false;
        const char* port = getenv("KESTO_TEST_PORT");
        if (port == nullptr || thePanelComm == nullptr)
        {
            fprintf(stderr, "KESTO_TEST_PORT is not set\n");
            return false;
        }
        // In time: the first connection is tried by the status timer's first run.
        thePanelComm->SetPortLister(PortListOf({port}));
        return true;
    }
};

} // namespace

// What the program's own main does before the toolkit starts, less the
// single-instance lock and the command line, which these runs do not use.
int main(int argc, char** argv)
{
    setlocale(LC_ALL, "");
    PrepareToolkitEnvironment();
    setvbuf(stdout, nullptr, _IOLBF, 0);
    theLog = new LogStdout;
    theAppDataFolder = FindAppDataFolder("AulavoxTech");
    wxApp::SetInstance(new PortApp);
    return wxEntry(argc, argv);
}
