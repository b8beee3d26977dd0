// Reading and writing large projector files: ReadSource and WriteSource must
// grow linearly with the file. Prints the times for a reference file of
// 5,000 projectors with 12 entries each (about 65,000 lines) and for one
// twice as large, and the ratio large/small.
// Goal: reading the 5,000-projector file in under 100 ms, ratio below 2.5.
#include "log/log.h"
#include "projdefs/projectorlist.h"
#include "support/core/temp_dir.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

namespace {

const int ENTRIES = 12;
const int RUNS = 5;

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

double Milliseconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

struct Times
{
    double read;
    double write;
    size_t lines;
};

bool Measure(const TempDir& dir, int projectors, Times* times)
{
    const std::string path = dir.File("Ref" + std::to_string(projectors) + ".txt");
    const std::string text = MakeFile(projectors);
    if (!WriteWholeFile(path, text))
    {
        fprintf(stderr, "cannot write %s\n", path.c_str());
        return false;
    }
    times->lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
    times->read = times->write = 1e30;
    for (int run = 0; run < RUNS; ++run)
    {
        ProjectorList list;
        list.AddSource(path, "");
        auto start = std::chrono::steady_clock::now();
        FileResult result = list.ReadSource(0);
        auto middle = std::chrono::steady_clock::now();
        if (result != FILE_OK || list.GetProjectorCount() != static_cast<size_t>(projectors))
        {
            fprintf(stderr, "read failed: %#x, %zu projectors\n", result, list.GetProjectorCount());
            return false;
        }
        result = list.WriteSource(0);
        auto end = std::chrono::steady_clock::now();
        if (result != FILE_OK)
        {
            fprintf(stderr, "write failed: %#x\n", result);
            return false;
        }
        times->read = std::min(times->read, Milliseconds(middle - start));
        times->write = std::min(times->write, Milliseconds(end - middle));
    }
    return true;
}

} // namespace

int main()
{
    LogStdout log;
    log.SetMask(1u << Log::LEVEL_ERROR); // no per-read Info lines in the figures
    theLog = &log;

    TempDir dir;
    Times small, large;
    if (!Measure(dir, 5000, &small) || !Measure(dir, 10000, &large))
        return 1;

    printf("projfile: best of %d runs\n", RUNS);
    printf("  5000 projectors (%zu lines): ReadSource %.1f ms, WriteSource %.1f ms\n", small.lines, small.read,
           small.write);
    printf(" 10000 projectors (%zu lines): ReadSource %.1f ms, WriteSource %.1f ms\n", large.lines, large.read,
           large.write);
    const double readRatio = large.read / small.read;
    const double writeRatio = large.write / small.write;
    printf("  ratio large/small: read %.2f, write %.2f\n", readRatio, writeRatio);
    const bool ok = small.read < 100.0 && readRatio < 2.5 && writeRatio < 2.5;
    printf("  goal (read < 100 ms, ratios < 2.5): %s\n", ok ? "met" : "NOT MET");
    theLog = nullptr;
    return ok ? 0 : 1;
}
