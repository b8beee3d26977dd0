// Does the updater's polling loop throttle a download? A 2 MB projector file
// from the loopback server, fetched through StartSourceUpdate and
// ContinueSourceUpdate with the dialog's 10 ms wait, against a plain blocking
// libcurl download of the same URL. Prints the times and their ratio (the
// goal is below 1.5); each figure is the median (and the fastest) of several runs. The update
// flushes its temporary file to disk before renaming it, so the blocking
// download is timed both with the same flush (like for like, the ratio that
// shows what the polling costs) and without it.

#include "log/log.h"
#include "projdefs/projectorlist.h"
#include "projdefs/remoteupdate.h"
#include "support/curl_fetch.h"
#include "support/core/http_server.h"
#include "support/core/temp_dir.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr size_t FILE_SIZE = 2 * 1024 * 1024;
constexpr int RUNS = 15;
constexpr unsigned WAIT_MS = 10;

std::string MakeProjectorFile()
{
    std::string text = "version: 3.0\r\n";
    for (int n = 0; text.size() < FILE_SIZE; ++n)
    {
        text += "projector: Model " + std::to_string(n) + "\r\n";
        text += "C, On, <cr>*pow=on#<cr>\r\nC, Off, <cr>*pow=off#<cr>\r\nP, Baud, 9600\r\n";
    }
    text.resize(FILE_SIZE);
    return text;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Fastest(const std::vector<double>& values)
{
    return *std::min_element(values.begin(), values.end());
}

double Seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main()
{
    if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK)
    {
        fprintf(stderr, "curl_global_init failed\n");
        return 1;
    }
    LogStdout log;
    log.SetMask(1u << Log::LEVEL_ERROR);
    theLog = &log;

    int status = 0;
    {
        const std::string body = MakeProjectorFile();
        LoopbackHttpServer server(10 * 60 * 1000);
        if (!server.Start())
        {
            fprintf(stderr, "cannot start the loopback server\n");
            return 1;
        }
        server.Serve("/master.txt", {200, body});
        const std::string url = server.Url("/master.txt");
        TempDir dir;

        std::vector<double> polled, blocking, blockingSynced, checked, inMemory;
        std::vector<double> steps;
        auto polledRun = [&] {
            ProjectorList list;
            list.AddSource(dir.File("user.txt"), url);
            auto start = std::chrono::steady_clock::now();
            FileResult result = StartSourceUpdate(list, 0, false);
            int count = 0;
            while (result == UPDATE_RUNNING)
            {
                result = ContinueSourceUpdate(list, WAIT_MS);
                ++count;
            }
            polled.push_back(Seconds(start));
            steps.push_back(count);
            if (result != FILE_OK || ReadWholeFile(dir.File("user.txt")) != body)
            {
                fprintf(stderr, "polled download failed: 0x%X\n", result);
                status = 1;
            }
        };
        auto blockingRun = [&](bool sync) {
            auto start = std::chrono::steady_clock::now();
            CURLcode code = FetchBlockingToFile(url, dir.File("plain.txt"), sync);
            (sync ? blockingSynced : blocking).push_back(Seconds(start));
            if (code != CURLE_OK || ReadWholeFile(dir.File("plain.txt")) != body)
            {
                fprintf(stderr, "blocking download failed: %s\n", curl_easy_strerror(code));
                status = 1;
            }
        };
        // Without the disk: a check reads the whole file and keeps only its
        // version, against a blocking download into memory.
        auto checkRun = [&] {
            ProjectorList list;
            list.AddSource(dir.File("user.txt"), url);
            auto start = std::chrono::steady_clock::now();
            FileResult result = StartSourceUpdate(list, 0, true);
            while (result == UPDATE_RUNNING)
                result = ContinueSourceUpdate(list, WAIT_MS);
            checked.push_back(Seconds(start));
            if (result != FILE_OK || list.GetSource(0)->remoteVersion != "3.0")
            {
                fprintf(stderr, "polled check failed: 0x%X\n", result);
                status = 1;
            }
        };
        auto memoryRun = [&] {
            auto start = std::chrono::steady_clock::now();
            FetchResult fetched = FetchBlocking(url);
            inMemory.push_back(Seconds(start));
            if (fetched.code != CURLE_OK || fetched.body != body)
            {
                fprintf(stderr, "blocking download into memory failed\n");
                status = 1;
            }
        };
        // The order turns with each run, so that none profits from going first.
        for (int run = 0; run < RUNS && status == 0; ++run)
        {
            for (int k = 0; k < 3; ++k)
            {
                int which = (run + k) % 3;
                if (which == 0)
                    polledRun();
                else
                    blockingRun(which == 1);
            }
            if (run % 2 == 0)
            {
                checkRun();
                memoryRun();
            }
            else
            {
                memoryRun();
                checkRun();
            }
        }
        if (status == 0)
        {
            printf("update: %zu bytes, %d runs each, median (fastest) in ms\n", body.size(), RUNS);
            printf("  Start/ContinueSourceUpdate (%u ms wait), fsync + rename: %7.2f (%7.2f), %.0f Continue calls\n",
                   WAIT_MS, Median(polled) * 1000, Fastest(polled) * 1000, Median(steps));
            printf("  blocking curl_easy_perform to a file, fsync:           %7.2f (%7.2f)\n",
                   Median(blockingSynced) * 1000, Fastest(blockingSynced) * 1000);
            printf("  blocking curl_easy_perform to a file:                  %7.2f (%7.2f)\n",
                   Median(blocking) * 1000, Fastest(blocking) * 1000);
            printf("  ratio like for like (with fsync): median %.2f, fastest %.2f (goal below 1.5)\n",
                   Median(polled) / Median(blockingSynced), Fastest(polled) / Fastest(blockingSynced));
            printf("  ratio against the plain download:  median %.2f, fastest %.2f\n",
                   Median(polled) / Median(blocking), Fastest(polled) / Fastest(blocking));
            printf("  without the disk: check %.2f (%.2f), blocking into memory %.2f (%.2f), ratio median %.2f\n",
                   Median(checked) * 1000, Fastest(checked) * 1000, Median(inMemory) * 1000,
                   Fastest(inMemory) * 1000, Median(checked) / Median(inMemory));
        }
    }
    theLog = nullptr;
    curl_global_cleanup();
    return status;
}
