#pragma once

#include "campus/campuscommand.h"
#include "campus/roomstate.h"
#include "settings/campussettings.h"

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// The room's bridge to the campus broker. It publishes the room's state and
// events and hands the broker's commands back as plain values. All network
// work runs on a thread of its own: nothing the owner calls waits for the
// broker, and a broker that is down, slow or refusing only makes the bridge
// try again later (1 s, doubling up to 60 s).
//
// Topics (P the prefix, R the room): P/R/status "online" (retained; the last
// will and an orderly stop say "offline"), P/R/state (retained JSON, at most
// twice a second, the last state always), P/R/event (not retained), and the
// commands P/R/set/{power,source,mute,command} and P/all/set/power.
class CampusLink
{
public:
    using CommandHandler = std::function<void(const CampusCommand&)>;
    // Runs a piece of work on the owner's thread (a window: CallAfter). The
    // bridge sends its commands and its log lines through it, so that the
    // log and the owner are only ever used from the owner's thread. Without
    // one they run on the bridge's thread.
    using Poster = std::function<void(std::function<void()>)>;
    using EventFields = std::vector<std::pair<std::string, std::string>>;

    // Starts the bridge; the settings must pass CheckSettings.
    CampusLink(const CampusSettings& settings, std::string version, CommandHandler onCommand, Poster post = {});
    // Stop with its one second.
    ~CampusLink();
    CampusLink(const CampusLink&) = delete;
    CampusLink& operator=(const CampusLink&) = delete;

    // Empty when the settings can be used, else what is wrong with them.
    static std::string CheckSettings(const CampusSettings& settings);

    // The room as it is now; goes out when it differs from the last one.
    void SetState(const RoomState& state);
    // One message on P/R/event: {"event": kind, fields..., "time": now}.
    void PublishEvent(const std::string& kind, const EventFields& fields);
    // Says "offline" and disconnects within timeoutMs, or gives up then and
    // leaves the thread to end on its own. True when it went out in time.
    bool Stop(int timeoutMs = 1000);

    bool IsConnected() const;
    const std::string& Room() const;

    struct Core; // shared with the bridge's thread

private:
    std::shared_ptr<Core> m_core;
    std::thread m_thread;
};

// Connects once with these settings (no will, nothing published) and says
// "Connected" or the broker's reason; gives up after timeoutMs. Blocks: call
// it from a thread of its own.
std::string ProbeBroker(const CampusSettings& settings, int timeoutMs);
