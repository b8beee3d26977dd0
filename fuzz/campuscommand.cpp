// libFuzzer target: the campus command parser on any topic and payload. The
// first byte splits the input into topic and payload. Besides memory errors
// it checks what the main window relies on: a command only from this room's
// or the campus-wide topic, a payload of at most 1 KiB, and values only
// from each command's set (a command name is UTF-8 without NUL).
#include "campus/brokeraddress.h"
#include "campus/campuscommand.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void Require(bool holds, const char* rule)
{
    if (holds)
        return;
    fprintf(stderr, "fuzz-campuscommand: %s\n", rule);
    abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const size_t split = data[0] < size ? data[0] : size - 1;
    const std::string topic(reinterpret_cast<const char*>(data + 1), split);
    const std::string payload(reinterpret_cast<const char*>(data + 1 + split), size - 1 - split);

    CampusCommand command;
    std::string why;
    if (!ParseCampusCommand("aulavox", "r1", topic, payload.data(), payload.size(), command, why))
    {
        Require(!why.empty(), "refused without a reason");
        return 0;
    }
    Require(payload.size() <= CAMPUS_MAX_PAYLOAD, "payload over 1 KiB taken");
    Require(topic.rfind("aulavox/r1/set/", 0) == 0 || topic == "aulavox/all/set/power", "topic of another room taken");
    Require(command.allRooms == (topic == "aulavox/all/set/power"), "campus-wide flag wrong");
    const std::string& value = command.value;
    if (command.kind == CampusCommand::COMMAND)
        Require(!value.empty() && IsUtf8(value) && value.find('\0') == std::string::npos, "command name not UTF-8");
    else if (command.kind == CampusCommand::SOURCE)
        Require(value == "comp1" || value == "vcr" || value == "comp2", "source outside its set");
    else
        Require(value == "ON" || value == "OFF", "on/off value outside its set");
    return 0;
}
