// Does the updater's polling loop throttle a download? A 2 MB projector file
// from the loopback server, fetched through StartSourceUpdate and
// ContinueSourceUpdate with the dialog's 10 ms wait, against a plain blocking
// libcurl download of the same URL. Prints both times and their ratio (the
// goal is below 1.5); each figure is the median of several runs.

#include "log/log.h"
#include "projdefs/projectorlist.h"
#include "projdefs/remoteupdate.h"
#include "support/core/curl_fetch.h"
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
constexpr int RUNS = 7;
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
        server.ServeBody("/master.txt", body);
        const std::string url = server.Url("/master.txt");
        TempDir dir;

        std::vector<double> polled, blocking;
        std::vector<double> steps;
        for (int run = 0; run < RUNS && status == 0; ++run)
        {
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

            start = std::chrono::steady_clock::now();
            CURLcode code = FetchBlockingToFile(url, dir.File("plain.txt"));
            blocking.push_back(Seconds(start));
            if (code != CURLE_OK || ReadWholeFile(dir.File("plain.txt")) != body)
            {
                fprintf(stderr, "blocking download failed: %s\n", curl_easy_strerror(code));
                status = 1;
            }
        }
        if (status == 0)
        {
            double p = Median(polled), b = Median(blocking);
            printf("update: %zu bytes, %d runs, medians\n", body.size(), RUNS);
            printf("  Start/ContinueSourceUpdate (%u ms wait): %.2f ms, %.0f Continue calls\n", WAIT_MS,
                   p * 1000, Median(steps));
            printf("  blocking curl_easy_perform:               %.2f ms\n", b * 1000);
            printf("  ratio: %.2f (goal below 1.5)\n", p / b);
        }
    }
    theLog = nullptr;
    curl_global_cleanup();
    return status;
}
