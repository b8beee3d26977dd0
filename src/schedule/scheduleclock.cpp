#include "schedule/scheduleclock.h"

#include <utility>

namespace {

std::function<wxDateTime()>& Clock()
{
    static std::function<wxDateTime()> clock;
    return clock;
}

} // namespace

wxDateTime ScheduleNow()
{
    const std::function<wxDateTime()>& clock = Clock();
    return clock ? clock() : wxDateTime::UNow();
}

void SetScheduleClock(std::function<wxDateTime()> clock)
{
    Clock() = std::move(clock);
}
