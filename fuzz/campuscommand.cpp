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

void Fail(const char* what)
{
    fprintf(stderr, "fuzz-campuscommand: %s\n", what);
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
        if (why.empty())
            Fail("refused without a reason");
        return 0;
    }
    if (payload.size() > CAMPUS_MAX_PAYLOAD)
        Fail("payload over 1 KiB taken");
    if (topic.rfind("aulavox/r1/set/", 0) != 0 && topic != "aulavox/all/set/power")
        Fail("topic of another room taken");
    if (command.allRooms != (topic == "aulavox/all/set/power"))
        Fail("campus-wide flag wrong");
    switch (command.kind)
    {
    case CampusCommand::POWER:
    case CampusCommand::MUTE:
        if (command.value != "ON" && command.value != "OFF")
            Fail("on/off value outside its set");
        break;
    case CampusCommand::SOURCE:
        if (command.value != "comp1" && command.value != "vcr" && command.value != "comp2")
            Fail("source outside its set");
        break;
    case CampusCommand::COMMAND:
        if (command.value.empty() || !IsUtf8(command.value) || command.value.find('\0') != std::string::npos)
            Fail("command name not UTF-8");
        break;
    }
    return 0;
}
