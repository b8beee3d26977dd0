// Time of one exchange over the serial link: a simulated box on a
// pseudo-terminal answers at once, so what is left above the fixed sleeps
// (1 ms per byte written, then one poll interval) is the link's own cost.

#include "comm/panelcomm.h"

#include "support/core/fake_ddc_bus.h"
#include "support/core/panel_simulator.h"

#include "log/log.h"

#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

// Formats every message like the real log but writes nothing, so that the
// traces cost what they cost without flooding the output.
class DiscardingLog final : public Log
{
public:
    DiscardingLog() : Log(0xFFFFFF7Fu) {}
    void Print(unsigned level, const char* format, ...) override
    {
        if (level >= 32 || (m_mask & (1u << level)) == 0)
            return;
        va_list args;
        va_start(args, format);
        vsnprintf(m_text, sizeof(m_text), format, args);
        va_end(args);
        if (level <= LEVEL_WARNING)
            fprintf(stderr, "%s: %s\n", GetLevelName(level), m_text);
    }

private:
    char m_text[1024];
};

struct Figures
{
    double median;
    double p95;
    int failures;
};

template <typename Exchange> Figures Measure(int count, Exchange exchange)
{
    std::vector<double> ms;
    int failures = 0;
    for (int i = 0; i < count; ++i)
    {
        const auto start = std::chrono::steady_clock::now();
        if (!exchange())
            ++failures;
        const auto end = std::chrono::steady_clock::now();
        ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    std::sort(ms.begin(), ms.end());
    const auto at = [&](double q) { return ms[static_cast<size_t>(q * (ms.size() - 1) + 0.5)]; };
    return {at(0.5), at(0.95), failures};
}

void Report(const char* what, const Figures& f, double floorMs)
{
    printf("%-28s median %6.2f ms   p95 %6.2f ms   sleep floor %5.1f ms   median - floor %+5.2f ms   failures %d\n",
           what, f.median, f.p95, floorMs, f.median - floorMs, f.failures);
}

} // namespace

int RunBench()
{
    PanelSimulator box;
    if (!box.Start())
    {
        fprintf(stderr, "cannot open a pseudo-terminal\n");
        return 1;
    }
    box.SetStatus({1, 1, 16, 0, 0, 2});
    PanelComm comm(MissingDdcBus()); // serial only
    comm.SetPortLister(PortListOf({box.Path()}));
    if (comm.Connect() != COMM_OK)
    {
        fprintf(stderr, "the simulated box was not found\n");
        return 1;
    }

    constexpr int kCount = 200;
    const Figures power = Measure(kCount, [&] {
        return comm.SetPower(1, POLL_COMMAND_MS, POLL_COMMAND_COUNT) == COMM_OK;
    });
    uint8_t status[PANEL_STATUS_SIZE];
    const Figures query = Measure(kCount, [&] {
        return comm.GetStatus(status, POLL_STATUS_MS, POLL_STATUS_COUNT) == PANEL_STATUS_SIZE;
    });

    printf("serial link over a pseudo-terminal, %d exchanges each\n", kCount);
    Report("SetPower (5-byte packet)", power, 5 + POLL_COMMAND_MS);
    Report("GetStatus (4-byte packet)", query, 4 + POLL_STATUS_MS);
    return power.failures + query.failures == 0 ? 0 : 1;
}

int main()
{
    DiscardingLog log;
    theLog = &log;
    const int status = RunBench(); // the link is gone before the log
    theLog = nullptr;
    return status;
}
