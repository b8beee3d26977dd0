#include "campustool/campustool.h"

#include "campustool/campuswatch.h"
#include "campustool/roomreport.h"
#include "campustool/tooloptions.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

using Clock = CampusWatch::Clock;
using std::chrono::milliseconds;

constexpr int CONNECT_TIME_MS = 5000;
constexpr milliseconds RETAINED_TIME{2000}; // for every retained status and state
constexpr milliseconds FOLLOW_TIME{10000};  // for the rooms to follow a command

// The text goes to standard output; EXIT_CAMPUS_OUTPUT when it cannot.
int Print(const std::string& text, int status)
{
    if (fwrite(text.data(), 1, text.size(), stdout) != text.size() || fflush(stdout) != 0)
    {
        fprintf(stderr, "aulavox-campus: cannot write the output: %s\n", strerror(errno));
        return EXIT_CAMPUS_OUTPUT;
    }
    return status;
}

int Unreachable(const ToolOptions& options, const std::string& reason)
{
    const std::string text = "cannot reach the broker " + options.broker + ": " + reason;
    fprintf(stderr, "aulavox-campus: %s\n", text.c_str());
    return options.json ? Print(ErrorJson(text), EXIT_CAMPUS_UNREACHABLE) : EXIT_CAMPUS_UNREACHABLE;
}

bool Follows(const RoomView& room, const std::string& value)
{
    return value == "ON" ? ProjectorOn(room) : room.power == "off" || room.power == "cooling";
}

// The panel said no to this very command.
bool Answered(const RoomView& room, const std::string& value)
{
    return !room.answerResult.empty() && room.answerValue == value;
}

// Why the room did not follow; empty when it did.
std::string WhyNot(const CampusView& view, const std::string& name, const std::string& value)
{
    const auto found = view.Rooms().find(name);
    if (found == view.Rooms().end())
        return "no such room on the broker";
    const RoomView& room = found->second;
    if (Follows(room, value))
        return "";
    if (Answered(room, value))
    {
        if (room.answerResult == "refused")
            return room.answerReason == "commands are not allowed" ? "commands not allowed"
                                                                   : "refused: " + room.answerReason;
        return "the box refused" + (room.answerReason.empty() ? "" : ": " + room.answerReason);
    }
    return room.IsOnline() ? "no answer" : "offline";
}

// Every room's retained status and state; empty unless the connection was lost.
std::string ReadRetained(CampusWatch& watch)
{
    return watch.RunUntil([&] { return watch.Synced(); }, Clock::now() + RETAINED_TIME);
}

int List(const ToolOptions& options, CampusView& view, CampusWatch& watch)
{
    const std::string lost = ReadRetained(watch);
    if (!lost.empty())
        return Unreachable(options, lost);
    watch.Disconnect();
    return Print(options.json ? ListJson(view, options.onOnly) : ListText(view, options.onOnly), EXIT_CAMPUS_DONE);
}

int Power(const ToolOptions& options, CampusView& view, CampusWatch& watch)
{
    std::string lost = ReadRetained(watch);
    if (!lost.empty())
        return Unreachable(options, lost);
    std::vector<std::string> targets;
    if (options.room != "all")
        targets.push_back(options.room);
    else
        for (const auto& [name, room] : view.Rooms())
            targets.push_back(name);

    view.ForgetAnswers();
    const std::string topic = options.prefix + "/" + options.room + "/set/power";
    const std::string failed = watch.Publish(topic, options.power);
    if (!failed.empty())
        return Unreachable(options, failed);
    // A room is through once it follows, its panel says no, or it is not there.
    const auto allThrough = [&] {
        for (const std::string& name : targets)
        {
            const auto found = view.Rooms().find(name);
            if (found != view.Rooms().end() && found->second.IsOnline() && !Follows(found->second, options.power) &&
                !Answered(found->second, options.power))
                return false;
        }
        return true;
    };
    lost = watch.RunUntil(allThrough, Clock::now() + FOLLOW_TIME);
    if (!lost.empty())
        return Unreachable(options, lost);
    watch.Disconnect();

    std::vector<PowerOutcome> outcomes;
    bool allFollowed = true;
    for (const std::string& name : targets)
    {
        outcomes.push_back({name, WhyNot(view, name, options.power)});
        allFollowed = allFollowed && outcomes.back().why.empty();
    }
    const int status = allFollowed ? EXIT_CAMPUS_DONE : EXIT_CAMPUS_NOT_FOLLOWED;
    return Print(options.json ? PowerJson(options.power, outcomes) : PowerText(outcomes), status);
}

} // namespace

int RunCampusTool(const std::vector<std::string>& args, const std::string& version)
{
    ToolOptions options;
    std::string why;
    if (!ParseToolOptions(args, options, why))
    {
        fprintf(stderr, "aulavox-campus: %s\nTry 'aulavox-campus --help'.\n", why.c_str());
        return EXIT_CAMPUS_USAGE;
    }
    if (options.action == ToolOptions::HELP)
        return Print(ToolHelpText(), EXIT_CAMPUS_DONE);
    if (options.action == ToolOptions::VERSION)
        return Print("aulavox-campus " + version + "\n", EXIT_CAMPUS_DONE);

    CampusView view(options.prefix);
    CampusWatch watch(options, view);
    const std::string reason = watch.Connect(options.action == ToolOptions::POWER, CONNECT_TIME_MS);
    if (!reason.empty())
        return Unreachable(options, reason);
    return options.action == ToolOptions::LIST ? List(options, view, watch) : Power(options, view, watch);
}
