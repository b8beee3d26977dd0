// libFuzzer target: the campus command parser on any topic and payload (the
// first byte splits them). Besides memory errors it aborts on what the main
// window relies on being refused: a refusal without a reason, a command from
// another room's topic, a payload over 1 KiB, a value outside its command's
// set (a command name is UTF-8 without NUL).
#include "campus/brokeraddress.h"
#include "campus/campuscommand.h"

#include <cstdlib>
#include <string>

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
            abort();
        return 0;
    }
    const std::string& value = command.value;
    const bool allRooms = topic == "aulavox/all/set/power";
    if (payload.size() > CAMPUS_MAX_PAYLOAD || command.allRooms != allRooms ||
        (!allRooms && topic.rfind("aulavox/r1/set/", 0) != 0) ||
        !(command.kind == CampusCommand::COMMAND  ? !value.empty() && IsUtf8(value) && value.find('\0') == value.npos
          : command.kind == CampusCommand::SOURCE ? value == "comp1" || value == "vcr" || value == "comp2"
                                                  : value == "ON" || value == "OFF"))
        abort();
    return 0;
}
