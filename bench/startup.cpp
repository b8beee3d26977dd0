// bench-startup: the main window's start-up with a large projector file.
//
// Under Xvfb, builds the main window in this process with the simulated
// control box on a pseudo-terminal as the only serial port, a user file of
// 5,000 projectors and a default projector, and measures:
//   - the time from construction until the projector choice is filled and
//     the first status poll is answered (it includes the 100 ms the status
//     timer waits before its first run);
//   - the peak resident memory;
//   - the CPU time used over 30 idle seconds with the once-a-second polling.
// Goals: filled within 1 s, under 60 MB, under 1 % CPU while idle.
//
//   xvfb-run -a -s "-screen 0 1280x800x24" build/bench/bench-startup [IDLE_SECONDS]
//
// The toolkit is prepared as the program prepares it (no OpenGL: under Xvfb
// Mesa's software driver alone would add some 44 MB of resident pages).

#include "app/toolkitstart.h"
#include "comm/panelcomm.h"
#include "log/log.h"
#include "mainframe/mainframe.h"
#include "mainframe/panelstatus.h"
#include "projdefs/projectorlist.h"
#include "settings/settings.h"

#include "support/core/fake_ddc_bus.h"
#include "support/core/panel_simulator.h"
#include "support/core/temp_dir.h"

#include <wx/app.h>
#include <wx/image.h>
#include <wx/init.h>
#include <wx/timer.h>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int PROJECTOR_COUNT = 5000;

// 5,000 projectors in shuffled order, each with the fixed commands, a
// freeze pair, two further commands and a parameter.
std::string LargeProjectorFile()
{
    std::vector<int> order(PROJECTOR_COUNT);
    for (int i = 0; i < PROJECTOR_COUNT; ++i)
        order[i] = i;
    std::mt19937 random(42);
    std::shuffle(order.begin(), order.end(), random);
    std::string text = "version: 1.0\n";
    char line[128];
    for (int i : order)
    {
        snprintf(line, sizeof line, "projector: %s %04d\n", (i % 3 == 0) ? "model" : "Model", i);
        text += line;
        text += "C, On, PWR1<cr>\nC, Off, PWR0<cr>\nC, Freeze, FRZ1<cr>\nC, UnFreeze, FRZ0<cr>\n"
                "C, Lamp Hours, LMP?<cr>\nC, Eco Mode, ECO1<cr><w50ms>\nP, Baud, 9600\n";
    }
    return text;
}

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long PeakRssKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Runs the application's event loop until `done` holds (checked every few
// milliseconds) or the time is up.
bool RunLoopUntil(const std::function<bool()>& done, int timeoutMs, int checkMs)
{
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    bool met = false;
    wxTimer checker;
    checker.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        met = done();
        if (met || Clock::now() >= end)
            wxTheApp->ExitMainLoop();
    });
    checker.Start(checkMs);
    wxTheApp->OnRun();
    checker.Stop();
    return met || done();
}

} // namespace

int main(int argc, char** argv)
{
    const int idleSeconds = argc > 1 ? atoi(argv[1]) : 30;

    if (!StartToolkitWithoutLoop(argc, argv))
        return 1;
    wxTheApp->SetExitOnFrameDelete(false);

    theLog = new LogStdout;
    theLog->SetMask(1u << Log::LEVEL_ERROR); // the byte traces would dominate the idle time

    PanelSimulator sim;
    if (!sim.Start())
    {
        fprintf(stderr, "cannot open a pseudo-terminal\n");
        return 1;
    }
    sim.SetStatus({1, 1, 16, 0, 0, 0});

    TempDir dir;
    const std::string projectorFile = dir.File("CustomList.txt");
    if (!WriteWholeFile(projectorFile, LargeProjectorFile()))
    {
        fprintf(stderr, "cannot write %s\n", projectorFile.c_str());
        return 1;
    }
    theSettings = OpenSettingsStore(wxString::FromUTF8(dir.File("AulavoxKesto.ini")));
    theSettings->Write(FileNameKey(FILE_USER), wxString::FromUTF8(projectorFile));
    theSettings->Write(KEY_PROJ_DEFAULT, "model 2499");
    theSettings->Write(KEY_PROJ_ALLOWCHANGE, true);

    theProjectorList = new ProjectorList;
    auto* bus = new FakeDdcBus;
    bus->initResult = 2;
    thePanelComm = new PanelComm(std::unique_ptr<DdcBus>(bus));
    thePanelComm->SetPortLister(PortListOf({sim.Path()}));

    const long rssBefore = PeakRssKb();
    const Clock::time_point start = Clock::now();
    MainFrame* frame = new MainFrame;
    const Clock::time_point built = Clock::now();
    frame->Show();

    // The first status poll's answer shows up as the power the box reports.
    const bool ready = RunLoopUntil(
        [&] { return thePanelStatus.powerState == 1 && sim.RequestCount() >= 2; }, 20000, 1);
    const Clock::time_point answered = Clock::now();
    if (!ready)
    {
        fprintf(stderr, "the first status poll was not answered within 20 s\n");
        return 1;
    }
    const auto ms = [](Clock::duration d) {
        return std::chrono::duration_cast<std::chrono::microseconds>(d).count() / 1000.0;
    };
    printf("projectors in the list:         %zu\n", theProjectorList->GetProjectorCount());
    printf("construction of the window:     %.1f ms\n", ms(built - start));
    printf("filled and first poll answered: %.1f ms after construction began (goal < 1000 ms)\n",
           ms(answered - start));

    const size_t requestsBefore = sim.RequestCount();
    const double cpuBefore = CpuSeconds();
    const Clock::time_point idleStart = Clock::now();
    RunLoopUntil([] { return false; }, idleSeconds * 1000, 250);
    const double idleWall = std::chrono::duration<double>(Clock::now() - idleStart).count();
    const double cpu = CpuSeconds() - cpuBefore;
    printf("idle: %.1f s, %zu status polls, CPU %.3f s = %.2f %% (goal < 1 %%)\n", idleWall,
           sim.RequestCount() - requestsBefore, cpu, 100.0 * cpu / idleWall);
    printf("peak RSS: %.1f MB (before the window %.1f MB; goal < 60 MB)\n", PeakRssKb() / 1024.0,
           rssBefore / 1024.0);
    fflush(stdout);

    frame->Destroy();
    wxTheApp->ProcessPendingEvents();
    delete thePanelComm;
    thePanelComm = nullptr;
    delete theProjectorList;
    theProjectorList = nullptr;
    delete theSettings;
    theSettings = nullptr;
    sim.Stop();
    wxEntryCleanup();
    delete static_cast<LogStdout*>(theLog);
    theLog = nullptr;
    return 0;
}
