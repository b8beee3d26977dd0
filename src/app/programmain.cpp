#include "app/programmain.h"

#include "app/app.h"
#include "app/commandline.h"
#include "app/singleinstance.h"
#include "log/log.h"
#include "log/toolkitlog.h"
#include "platform/appdatafolder.h"
#include "platform/instancelock.h"
#include "platform/standarddescriptors.h"
#include "platform/toolkitenvironment.h"

#include <clocale>
#include <cstdio>

namespace {

const char* const APP_NAME = "AulavoxKesto";
const char* const VENDOR_NAME = "AulavoxTech";

} // namespace

int ProgramMain(int argc, char** argv, wxAppConsole* (*makeApp)())
{
    OpenClosedStandardDescriptors();
    // Until the toolkit starts (App::OnInit routes them again after that).
    RouteToolkitMessagesToLog();
    // The local character set, for texts printed and file names converted.
    setlocale(LC_ALL, "");
    PrepareToolkitEnvironment();

    const StartCommand command = FirstArgumentCommand(argc > 1 ? argv[1] : nullptr);
    const bool endsAtOnce = EndsTheProcess(command);

    // One log line at a time even into a pipe or the journal, so that a
    // crash or a kill loses no line already printed.
    setvbuf(stdout, nullptr, _IOLBF, 0);
    // A command's standard output holds only its answer: its log goes to
    // standard error.
    theLog = new LogStdout(endsAtOnce ? stderr : stdout);
    theAppDataFolder = FindAppDataFolder(VENDOR_NAME);

    // Keyed on the data folder, so that two copies sharing its files meet
    // the same lock whatever their environment. Held until the process ends.
    InstanceLock lock;
    const InstanceLock::Result locked = lock.Take(theAppDataFolder, APP_NAME);
    if (locked == InstanceLock::HELD_BY_ANOTHER)
    {
        ReportSecondInstance(argc, argv, APP_NAME);
        return 1;
    }
    if (locked == InstanceLock::UNAVAILABLE)
        theLog->Print(Log::LEVEL_WARNING,
                      "unable to make the single-instance lock '%s': %s; a second copy of the program is not kept out",
                      static_cast<const char*>(lock.GetPath().utf8_str()),
                      static_cast<const char*>(lock.GetReason().utf8_str()));

    if (endsAtOnce)
    {
        const int status = RunMaintenanceCommand(command, theAppDataFolder);
        fflush(stdout);
        return status;
    }
    theStartInDemoMode = command == StartCommand::DEMO;
    wxApp::SetInstance(makeApp());
    return wxEntry(argc, argv);
}
