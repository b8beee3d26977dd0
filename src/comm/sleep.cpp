#include "comm/sleep.h"

#include <cerrno>
#include <time.h>

void SleepMs(int ms)
{
    if (ms <= 0)
        return;
    timespec remaining{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR)
    {
    }
}
