// Due times of many schedules: ComputeNext over 100,000 mixed schedules, and
// one schedule timer pass over them with nothing due. Goal: under 200 ms
// each. Each figure is the best of RUNS (the machine may be shared); the
// local time zone is the process's (run with TZ=Europe/Berlin to include
// daylight-saving time).
#include "comm/panelcomm.h"
#include "schedule/schedule.h"
#include "schedule/scheduleclock.h"
#include "schedule/schedulepass.h"

#include "support/core/fake_ddc_bus.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>

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
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

} // namespace

int main()
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
    const double passMs = BestMs([&] {
        wait = RunSchedulePass(list, comm, power, [](long) {});
    });

    const char* zone = getenv("TZ");
    printf("time zone: %s\n", zone ? zone : "(system)");
    printf("ComputeNext over %zu schedules: %.1f ms (goal < 200 ms)\n", list.size(), computeMs);
    printf("timer pass with nothing due (%zu due): %.1f ms, next wait %ld ms (goal < 200 ms)\n", due, passMs, wait);
    SetScheduleClock(nullptr);
    return computeMs < 200 && passMs < 200 ? 0 : 1;
}
