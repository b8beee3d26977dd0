// bench-campus: many rooms on one broker.
//
// Starts a local mosquitto, then N bridges in this process, each a room in
// demo mode that obeys the broker (power follows the command at once), and
// measures for N = 1, 100 and 500:
//   - the time from one "aulavox/all/set/power OFF" until the last room's
//     state says "off";
//   - the resident memory each bridge adds (connected, state published).
// Goals: 500 rooms under 2 s, under 200 KiB per bridge.
//
//   build/bench/bench-campus [N...]

#include "campus/campuslink.h"

#include "support/core/mqtt_broker.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

long ResidentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return 0;
}

// One room: a bridge whose power follows the broker's commands.
struct Room
{
    std::unique_ptr<CampusLink> link;
    RoomState state;
};

int Offs(const MqttWatcher& watcher, int count)
{
    int off = 0;
    for (int i = 0; i < count; ++i)
        if (watcher.Last("aulavox/room" + std::to_string(i) + "/state").find("\"power\":\"off\"") != std::string::npos)
            ++off;
    return off;
}

bool Run(MqttBroker& broker, int count)
{
    // First, while its descriptor is low: the watcher's library loop uses select().
    MqttWatcher watcher;
    if (!watcher.Start(broker.Port(), "aulavox/+/state"))
    {
        fprintf(stderr, "the watcher cannot connect\n");
        return false;
    }
    const long before = ResidentKiB();
    std::vector<std::unique_ptr<Room>> rooms;
    for (int i = 0; i < count; ++i)
    {
        auto room = std::make_unique<Room>();
        CampusSettings settings;
        settings.enabled = true;
        settings.broker = broker.Url();
        settings.room = "room" + std::to_string(i);
        settings.allowCommands = true;
        Room* self = room.get();
        // Without a window the command runs on the bridge's own thread.
        room->link = std::make_unique<CampusLink>(settings, "0.9.22.4", [self](const CampusCommand& command) {
            if (command.kind != CampusCommand::POWER)
                return;
            self->state.power = command.value == "ON" ? "on" : "off";
            self->link->SetState(self->state);
        });
        room->state.power = "on";
        room->state.link = "demo";
        room->link->SetState(room->state);
        rooms.push_back(std::move(room));
    }
    if (!WaitUntil([&] {
            for (int i = 0; i < count; ++i)
                if (watcher.Last("aulavox/room" + std::to_string(i) + "/state").empty())
                    return false;
            return true;
        },
                   60000))
    {
        fprintf(stderr, "not every room came online\n");
        return false;
    }
    const long perBridge = (ResidentKiB() - before) / count;

    const Clock::time_point start = Clock::now();
    watcher.Publish("aulavox/all/set/power", "OFF");
    if (!WaitUntil([&] { return Offs(watcher, count) == count; }, 60000))
    {
        fprintf(stderr, "only %d of %d rooms went off\n", Offs(watcher, count), count);
        return false;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    printf("%4d rooms: all off %.3f s after one command (goal 500: < 2 s); %ld KiB per bridge (goal < 200)\n", count,
           seconds, perBridge);
    fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<int> counts;
    for (int i = 1; i < argc; ++i)
        counts.push_back(std::atoi(argv[i]));
    if (counts.empty())
        counts = {1, 100, 500};
    // Three descriptors a bridge (its socket and the library's wake-up pair).
    rlimit files = {};
    if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max)
    {
        files.rlim_cur = files.rlim_max;
        setrlimit(RLIMIT_NOFILE, &files);
    }
    MqttBroker broker;
    if (!broker.Start())
    {
        fprintf(stderr, "unable to start mosquitto\n");
        return 1;
    }
    for (int count : counts)
        if (count < 1 || !Run(broker, count))
            return 1;
    return 0;
}
