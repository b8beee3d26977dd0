// bench-schedules: many schedules.
//
// 1. Due times (no display needed): ComputeNext over 100,000 mixed
//    schedules, and one schedule timer pass over them with nothing due.
//    Goal: under 200 ms each, best of RUNS.
// 2. A settings file of N schedules, for N = 1,000 and 10,000, each in a
//    process of its own under Xvfb (with N = 0 as the empty start):
//    - load: opening the settings file, loading the schedule list and the
//      first due times, as the program's start does;
//    - memory: resident memory after the load, above the empty start;
//    - open: the configuration dialog built and shown;
//    - delete: one row in the middle deleted on the "Schedules" page (the
//      list, the rows and the written file);
//    - exit: the dialog closed, the settings store deleted (its last write)
//      and the list emptied.
//    Goals at 10,000: load < 1 s, delete < 0.3 s, memory < 40 MB.
// The local time zone is the process's (run with TZ=Europe/Berlin to
// include daylight-saving time).
//
//   xvfb-run -a -s "-screen 0 1280x800x24" build/bench/bench-schedules

#include "app/toolkitstart.h"
#include "comm/panelcomm.h"
#include "configdlg/configdlg.h"
#include "log/log.h"
#include "schedule/schedule.h"
#include "schedule/scheduleclock.h"
#include "schedule/schedulepass.h"
#include "schedule/schedulestore.h"
#include "settings/settings.h"
#include "support/cputime.h"

#include "support/core/fake_ddc_bus.h"
#include "support/core/temp_dir.h"

#include <wx/app.h>
#include <wx/init.h>

#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>

namespace {

const size_t COUNT = 100000;
const int RUNS = 5;

ScheduleList MakeSchedules(const wxDateTime& now)
{
    std::mt19937 random(20260507);
    ScheduleList list;
    list.reserve(COUNT);
    for (size_t i = 0; i < COUNT; ++i)
    {
        Schedule s;
        s.name = "bench";
        s.repeat = static_cast<int32_t>(i % 4);
        s.action = static_cast<int32_t>(i % 2);
        s.days = random() % 0x80;
        // Starts from about 26 years back to one year ahead, at any minute.
        const long minutes = long(random() % (27L * 365 * 24 * 60)) - 26L * 365 * 24 * 60;
        s.startTime = now + wxTimeSpan::Minutes(minutes);
        s.stopTime = i % 5 == 0 ? now + wxTimeSpan::Days(long(random() % 400) - 30) : ScheduleNeverTime;
        list.push_back(s);
    }
    return list;
}

template <typename Work>
double BestMs(Work work)
{
    double best = 1e30;
    for (int run = 0; run < RUNS; ++run)
    {
        const Clock::time_point start = Clock::now();
        work();
        best = std::min(best, Ms(Clock::now() - start));
    }
    return best;
}

bool MeasureDueTimes()
{
    const wxDateTime now = wxDateTime::Now();
    SetScheduleClock([now] { return now; });
    ScheduleList list = MakeSchedules(now);

    const double computeMs = BestMs([&list] {
        for (Schedule& s : list)
            s.ComputeNext();
    });

    size_t due = 0;
    for (const Schedule& s : list)
        if (!(now < s.nextTime))
            ++due;

    auto bus = std::make_unique<FakeDdcBus>();
    bus->initResult = 2;
    PanelComm comm(std::move(bus));
    int8_t power = 0;
    long wait = 0;
    const double passMs = BestMs([&] { wait = RunSchedulePass(list, comm, power, [](long) {}); });

    const char* zone = getenv("TZ");
    printf("time zone: %s\n", zone ? zone : "(system)");
    printf("ComputeNext over %zu schedules: %.1f ms (goal < 200 ms)\n", list.size(), computeMs);
    printf("timer pass with nothing due (%zu due): %.1f ms, next wait %ld ms (goal < 200 ms)\n", due, passMs, wait);
    SetScheduleClock(nullptr);
    return computeMs < 200 && passMs < 200;
}

// The stored records as the program writes them: mixed kinds, names and days.
std::string SettingsFile(int count)
{
    std::string text = "[Schedules]\nEnabled=1\n";
    char record[512];
    const char* const repeats[] = {"Never", "Daily", "Weekly", "Monthly"};
    for (int i = 0; i < count; ++i)
    {
        snprintf(record, sizeof record,
                 "[Schedules/%d]\nName=Room %d lecture\nEnabled=%d\nRepeat=%s\nAction=%s\nDays=Mon,Wed,Fri,\n"
                 "StartTime=2026-%02d-%02d %02d:%02d:00\nStopTime=%s\n",
                 i, i, i % 7 != 0, repeats[i % 4], i % 2 ? "TurnOn" : "TurnOff", 1 + i % 12, 1 + i % 28, 6 + i % 14,
                 i % 60, i % 5 == 0 ? "2027-06-30 23:59:59" : "9999-12-31 23:59:59");
        text += record;
    }
    return text;
}

long ResidentKb()
{
    long pages = 0, resident = 0;
    FILE* statm = fopen("/proc/self/statm", "r");
    if (statm == nullptr)
        return 0;
    if (fscanf(statm, "%ld %ld", &pages, &resident) != 2)
        resident = 0;
    fclose(statm);
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

struct PageFigures
{
    double loadMs = 0, openMs = 0, deleteMs = 0, exitMs = 0;
    double loadCpuMs = 0, deleteCpuMs = 0;
    long residentKb = 0;
    size_t loaded = 0, left = 0;
};

// Reaches the page's handler as the "Delete" button does.
class BenchDlg : public ConfigDlg
{
public:
    BenchDlg() : ConfigDlg(nullptr) {}
    void DeleteRow(long row)
    {
        m_scheduleList->SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
        wxCommandEvent event(wxEVT_BUTTON, m_scheduleDeleteButton->GetId());
        OnScheduleDelete(event);
    }
};

bool MeasurePage(int count, PageFigures& figures)
{
    TempDir dir;
    const std::string projectors = dir.File("Projectors.txt");
    const std::string settings = dir.File("AulavoxKesto.ini");
    std::string text = SettingsFile(count);
    text += "[Files]\nName1=" + projectors + "\nName2=" + projectors + "\n";
    if (!WriteWholeFile(settings, text) || !WriteWholeFile(projectors, "version: 1.0\n"))
    {
        fprintf(stderr, "cannot write the files in %s\n", dir.Path().c_str());
        return false;
    }
    text.clear();
    text.shrink_to_fit();

    const Clock::time_point start = Clock::now();
    const double cpuStart = CpuMs();
    theSettings = OpenSettingsStore(wxString::FromUTF8(settings));
    RecordDefaults(*theSettings, wxString::FromUTF8(dir.Path()), wxString::FromUTF8(dir.Path()));
    LoadScheduleList();
    for (Schedule& s : theScheduleList)
        s.ComputeNext();
    figures.loadMs = Ms(Clock::now() - start);
    figures.loadCpuMs = CpuMs() - cpuStart;
    figures.residentKb = ResidentKb();
    figures.loaded = theScheduleList.size();

    const Clock::time_point openStart = Clock::now();
    BenchDlg* dlg = new BenchDlg;
    dlg->Show();
    wxTheApp->Yield(true);
    figures.openMs = Ms(Clock::now() - openStart);

    if (count > 0)
    {
        const Clock::time_point deleteStart = Clock::now();
        const double deleteCpuStart = CpuMs();
        dlg->DeleteRow(count / 2);
        wxTheApp->Yield(true);
        figures.deleteMs = Ms(Clock::now() - deleteStart);
        figures.deleteCpuMs = CpuMs() - deleteCpuStart;
    }
    figures.left = theScheduleList.size();

    const Clock::time_point exitStart = Clock::now();
    dlg->Destroy();
    wxTheApp->ProcessPendingEvents();
    delete theSettings;
    theSettings = nullptr;
    theScheduleList.clear();
    theScheduleList.shrink_to_fit();
    figures.exitMs = Ms(Clock::now() - exitStart);
    return true;
}

// Runs one size in a child process, so that each starts from an empty heap.
bool MeasurePageApart(int count, int argc, char** argv, PageFigures& figures)
{
    int channel[2];
    if (pipe(channel) != 0)
        return false;
    fflush(stdout);
    const pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0)
    {
        close(channel[0]);
        bool ok = StartToolkitWithoutLoop(argc, argv);
        if (ok)
        {
            theLog = new LogStdout;
            theLog->SetMask(1u << Log::LEVEL_ERROR);
            ok = MeasurePage(count, figures);
        }
        ok = ok && write(channel[1], &figures, sizeof figures) == ssize_t(sizeof figures);
        _exit(ok ? 0 : 1);
    }
    close(channel[1]);
    const bool got = read(channel[0], &figures, sizeof figures) == ssize_t(sizeof figures);
    close(channel[0]);
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0 && got;
}

} // namespace

int main(int argc, char** argv)
{
    bool ok = MeasureDueTimes();

    PageFigures empty, figures[2];
    const int counts[2] = {1000, 10000};
    if (!MeasurePageApart(0, argc, argv, empty))
        return 1;
    for (int i = 0; i < 2; ++i)
    {
        if (!MeasurePageApart(counts[i], argc, argv, figures[i]))
            return 1;
        const PageFigures& f = figures[i];
        printf("%6d schedules (%zu loaded, %zu after the delete): load %.1f ms (cpu %.1f), memory +%.1f MB, "
               "open %.1f ms, delete %.1f ms (cpu %.1f), exit %.1f ms\n",
               counts[i], f.loaded, f.left, f.loadMs, f.loadCpuMs, (f.residentKb - empty.residentKb) / 1024.0,
               f.openMs, f.deleteMs, f.deleteCpuMs, f.exitMs);
    }
    const PageFigures& large = figures[1];
    printf("at 10,000: load %.1f ms (goal < 1000), delete %.1f ms (goal < 300), memory +%.1f MB (goal < 40)\n",
           large.loadMs, large.deleteMs, (large.residentKb - empty.residentKb) / 1024.0);
    ok = ok && large.loadMs < 1000 && large.deleteMs < 300 && large.residentKb - empty.residentKb < 40 * 1024;
    return ok ? 0 : 1;
}
