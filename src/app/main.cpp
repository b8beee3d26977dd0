#include "app/app.h"
#include "app/commandline.h"
#include "app/singleinstance.h"
#include "log/log.h"
#include "log/toolkitlog.h"
#include "platform/appdatafolder.h"
#include "platform/instancelock.h"
#include "platform/standarddescriptors.h"
#include "platform/toolkitenvironment.h"

#include <wx/defs.h>
#include <wx/snglinst.h>

#include <clocale>
#include <cstdio>

wxIMPLEMENT_APP_NO_MAIN(App);

namespace {

const char* const APP_NAME = "AulavoxKesto";
const char* const VENDOR_NAME = "AulavoxTech";

} // namespace

// Everything up to the command line runs before the window toolkit starts,
// so that the commands work without a display: the single-instance check,
// the log, the application-data folder, then the command.
int main(int argc, char** argv)
{
    OpenClosedStandardDescriptors();
    // Until the toolkit starts (App::OnInit routes them again after that).
    RouteToolkitMessagesToLog();
    // The local character set, for texts printed and file names converted.
    setlocale(LC_ALL, "");
    PrepareToolkitEnvironment();

    // Never deleted: the lock is held until the process ends, when the kernel
    // releases it. (Its destructor would run after the toolkit's clean-up and
    // use the toolkit's file-name conversion, which is gone by then.)
    static wxSingleInstanceChecker* const checker = new wxSingleInstanceChecker;
    const InstanceLock lock = TakeInstanceLock(*checker, APP_NAME);
    if (lock == InstanceLock::HELD_BY_ANOTHER)
    {
        ReportSecondInstance(argc, argv, APP_NAME);
        return 1;
    }

    // One log line at a time even into a pipe or the journal, so that a
    // crash or a kill loses no line already printed.
    setvbuf(stdout, nullptr, _IOLBF, 0);
    theLog = new LogStdout;
    if (lock == InstanceLock::UNAVAILABLE)
        theLog->Print(Log::LEVEL_WARNING, "unable to make the single-instance lock in '%s': a second copy of the "
                                          "program is not kept out",
                      static_cast<const char*>(InstanceLockFolder().mb_str()));
    theAppDataFolder = FindAppDataFolder(VENDOR_NAME);

    const StartCommand command = FirstArgumentCommand(argc > 1 ? argv[1] : nullptr);
    if (EndsTheProcess(command))
    {
        const int status = RunMaintenanceCommand(command, theAppDataFolder);
        fflush(stdout);
        return status;
    }
    return wxEntry(argc, argv);
}
