#pragma once

#include <cstdlib>
#include <ctime>
#include <string>

// Sets the process's local time zone (TZ) for the life of the object and
// puts back what was there before.
class ScopedTimeZone
{
public:
    explicit ScopedTimeZone(const char* zone) : m_had(getenv("TZ") != nullptr), m_old(m_had ? getenv("TZ") : "")
    {
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTimeZone()
    {
        m_had ? setenv("TZ", m_old.c_str(), 1) : unsetenv("TZ");
        tzset();
    }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    bool m_had;
    std::string m_old;
};
