// bench-campus: many rooms on one broker.
//
// Starts a local mosquitto, then N bridges in this process, each a room in
// demo mode that obeys the broker (power follows the command at once), and
// measures for N = 1, 100 and 500:
//   - the time from one "aulavox/all/set/power OFF" until the last room's
//     state says "off";
//   - the resident memory each bridge adds (connected, state published);
//   - the run of "aulavox-campus list" (its output checked: N lines);
//   - the run of "aulavox-campus power off all", which ends with the last
//     room's confirmation.
// Goals: 500 rooms under 2 s, under 200 KiB per bridge; each aulavox-campus
// run under 3 s.
//
//   build/bench/bench-campus [N...]

#include "campus/campuslink.h"

#include "support/core/mqtt_broker.h"
#include "support/core/temp_dir.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <algorithm>
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

int Rooms(const MqttWatcher& watcher, int count, const std::string& power)
{
    int matching = 0;
    for (int i = 0; i < count; ++i)
        if (watcher.Last("aulavox/room" + std::to_string(i) + "/state").find("\"power\":\"" + power + "\"") !=
            std::string::npos)
            ++matching;
    return matching;
}

int Offs(const MqttWatcher& watcher, int count)
{
    return Rooms(watcher, count, "off");
}

// Runs aulavox-campus to its end; the seconds it took, or -1 when it did not
// end with the expected status.
double TimeTool(const std::vector<std::string>& args, int expectedStatus, std::string& output)
{
    static TempDir dir;
    std::vector<std::string> argv = {KESTO_CAMPUS_TOOL};
    argv.insert(argv.end(), args.begin(), args.end());
    ChildProcess tool(argv, {}, dir.File("out"));
    const Clock::time_point start = Clock::now();
    if (!tool.Start() || !tool.Wait(60000))
        return -1;
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    output = tool.Output();
    if (tool.ExitStatus() != expectedStatus)
    {
        fprintf(stderr, "aulavox-campus %s: exit %d: %s\n", args[0].c_str(), tool.ExitStatus(),
                tool.Errors().c_str());
        return -1;
    }
    return seconds;
}

// aulavox-campus list, then power off all (the rooms are on again first).
bool RunCampusCommand(MqttBroker& broker, MqttWatcher& watcher, int count)
{
    std::string output;
    const double listing = TimeTool({"list", broker.Url()}, 0, output);
    const long lines = std::count(output.begin(), output.end(), '\n');
    if (listing < 0 || lines != count)
    {
        fprintf(stderr, "aulavox-campus list gave %ld lines for %d rooms\n", lines, count);
        return false;
    }
    watcher.Publish("aulavox/all/set/power", "ON");
    if (!WaitUntil([&] { return Rooms(watcher, count, "on") == count; }, 60000))
    {
        fprintf(stderr, "not every room came back on\n");
        return false;
    }
    const double switching = TimeTool({"power", "off", "all", broker.Url()}, 0, output);
    // The watcher, a client of its own, may see the last states a moment later.
    if (switching < 0 || !WaitUntil([&] { return Offs(watcher, count) == count; }, 10000))
    {
        fprintf(stderr, "aulavox-campus power off all: %s\n", output.c_str());
        return false;
    }
    printf("%4d rooms: aulavox-campus list %.3f s (%ld lines), power off all %.3f s (goal 500: < 3 s each)\n",
           count, listing, lines, switching);
    fflush(stdout);
    return true;
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
    return RunCampusCommand(broker, watcher, count);
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
