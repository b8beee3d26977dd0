// Reading and writing large projector files: ReadSource and WriteSource must
// grow linearly with the file. Times a reference file of 5,000 projectors
// with 12 entries each (about 65,000 lines) and one twice as large, and
// prints the times and the ratio large/small.
// Goal: reading the 5,000-projector file in under 100 ms, ratio below 2.5.
//
// The machine may be shared: the two sizes take turns, each figure is the
// best of RUNS, and both wall-clock and thread CPU time are shown (the goal
// is judged on wall-clock time). The first, cold read of each size is shown
// too. Between runs the allocator keeps its memory and settles the previous
// run's frees, so that a run measures the reader rather than the kernel
// handing out pages again.
#include "log/log.h"
#include "projdefs/projectorlist.h"
#include "support/core/temp_dir.h"

#include <malloc.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const int ENTRIES = 12;
const int RUNS = 15;

std::string MakeFile(int projectors)
{
    static const char* const commands[] = {
        "C, On, PWR ON<cr>",           "C, Off, PWR OFF<cr>",       "C, SourceVGA, SOURCE 11<cr>",
        "C, SourceComposite, <02><03><00><00><02><01><06><0E>", "C, Freeze, <cr>*freeze=on#<cr>",
        "C, UnFreeze, <cr>*freeze=off#<cr>", "C, SourceHDMI, ~0012 1<cr>", "C, MuteOn, <02>OSH:1<03>",
        "C, MuteOff, <cr><w 1 sec>MUTE OFF<cr>", "C, LampHours, LAMP?<cr>"};
    std::string text = "# generated\r\nversion: 1.0.0\r\n";
    char line[128];
    for (int p = 0; p < projectors; ++p)
    {
        snprintf(line, sizeof(line), "projector: Maker %d Model %05d\r\n", p % 37, p);
        text += line;
        text += "P, Baud, 9600\r\nP, Cable, Null modem\r\n";
        for (int e = 0; e < ENTRIES - 2; ++e)
        {
            text += commands[e];
            text += "\r\n";
        }
    }
    return text;
}

struct Clock
{
    std::chrono::steady_clock::time_point wall;
    double cpu; // ms of this thread

    static Clock Now()
    {
        timespec ts;
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return {std::chrono::steady_clock::now(), ts.tv_sec * 1e3 + ts.tv_nsec / 1e6};
    }
};

struct Figures
{
    std::string path;
    size_t lines = 0;
    size_t projectors = 0;
    double coldRead = 0;
    double read = 1e30, readCpu = 1e30, write = 1e30, writeCpu = 1e30;
};

bool Prepare(const TempDir& dir, int projectors, Figures* f)
{
    f->path = dir.File("Ref" + std::to_string(projectors) + ".txt");
    f->projectors = static_cast<size_t>(projectors);
    const std::string text = MakeFile(projectors);
    f->lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
    if (!WriteWholeFile(f->path, text))
    {
        fprintf(stderr, "cannot write %s\n", f->path.c_str());
        return false;
    }
    return true;
}

bool RunOnce(Figures* f, bool first)
{
    free(malloc(1 << 16)); // a large request settles the previous run's frees here, untimed
    ProjectorList list;
    list.AddSource(f->path, "");
    const Clock start = Clock::Now();
    FileResult result = list.ReadSource(0);
    const Clock middle = Clock::Now();
    if (result != FILE_OK || list.GetProjectorCount() != f->projectors)
    {
        fprintf(stderr, "read failed: %#x, %zu projectors\n", result, list.GetProjectorCount());
        return false;
    }
    result = list.WriteSource(0);
    const Clock end = Clock::Now();
    if (result != FILE_OK)
    {
        fprintf(stderr, "write failed: %#x\n", result);
        return false;
    }
    const double read = std::chrono::duration<double, std::milli>(middle.wall - start.wall).count();
    const double write = std::chrono::duration<double, std::milli>(end.wall - middle.wall).count();
    if (first)
        f->coldRead = read;
    f->read = std::min(f->read, read);
    f->readCpu = std::min(f->readCpu, middle.cpu - start.cpu);
    f->write = std::min(f->write, write);
    f->writeCpu = std::min(f->writeCpu, end.cpu - middle.cpu);
    return true;
}

void Print(const Figures& f)
{
    printf("%6zu projectors (%zu lines): ReadSource %.1f ms (cpu %.1f, cold %.1f), WriteSource %.1f ms (cpu %.1f)\n",
           f.projectors, f.lines, f.read, f.readCpu, f.coldRead, f.write, f.writeCpu);
}

} // namespace

int main()
{
    mallopt(M_TRIM_THRESHOLD, 1 << 30); // keep freed memory between runs
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    LogStdout log;
    log.SetMask(1u << Log::LEVEL_ERROR); // no per-read Info lines in the figures
    theLog = &log;

    TempDir dir;
    Figures small, large;
    if (!Prepare(dir, 5000, &small) || !Prepare(dir, 10000, &large))
        return 1;
    for (int run = 0; run < RUNS; ++run)
        if (!RunOnce(&small, run == 0) || !RunOnce(&large, run == 0))
            return 1;

    printf("projfile: best of %d runs, sizes taking turns\n", RUNS);
    Print(small);
    Print(large);
    const double readRatio = large.read / small.read;
    const double writeRatio = large.write / small.write;
    printf("  ratio large/small: read %.2f (cpu %.2f), write %.2f (cpu %.2f)\n", readRatio,
           large.readCpu / small.readCpu, writeRatio, large.writeCpu / small.writeCpu);
    const bool ok = small.read < 100.0 && readRatio < 2.5;
    printf("  goal (read < 100 ms, read ratio < 2.5): %s\n", ok ? "met" : "NOT MET");
    theLog = nullptr;
    return ok ? 0 : 1;
}
