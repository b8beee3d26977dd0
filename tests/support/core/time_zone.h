#pragma once

#include "support/core/scoped_env.h"

#include <ctime>

// Sets the process's local time zone (TZ) for the life of the object and
// puts back what was there before.
class ScopedTimeZone
{
public:
    explicit ScopedTimeZone(const char* zone) : m_zone("TZ", zone) { tzset(); }

private:
    struct TzsetAtEnd
    {
        ~TzsetAtEnd() { tzset(); }
    } m_tzsetAfterRestore; // destroyed after m_zone has put TZ back
    ScopedEnv m_zone;
};
