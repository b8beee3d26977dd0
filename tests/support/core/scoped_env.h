#pragma once

#include <cstdlib>
#include <optional>
#include <string>

// Sets an environment variable (std::nullopt: removes it) for its lifetime, then
// puts back what was there before.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value)
        : m_name(name), m_old(getenv(name) ? std::optional<std::string>(getenv(name)) : std::nullopt)
    {
        Set(value);
    }
    ~ScopedEnv() { Set(m_old); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

    void Set(const std::optional<std::string>& value)
    {
        value ? setenv(m_name.c_str(), value->c_str(), 1) : unsetenv(m_name.c_str());
    }

private:
    std::string m_name;
    std::optional<std::string> m_old;
};
