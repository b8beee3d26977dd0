// The program as it ships, except that its only serial port is the
// pseudo-terminal named by KESTO_TEST_PORT: black-box tests run it against
// the simulated control box.

#include "app/app.h"
#include "app/programmain.h"
#include "comm/panelcomm.h"
#include "support/core/panel_simulator.h"

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

int main(int argc, char** argv)
{
    return ProgramMain(argc, argv, [] { return static_cast<wxAppConsole*>(new PortApp); });
}
