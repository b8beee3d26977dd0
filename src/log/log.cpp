#include "log/log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

Log* theLog = nullptr;

const char* Log::GetLevelName(unsigned level) const
{
    static const char* const names[] = {"Error", "Warning", "Info", "????",
                                        "Debug1", "Debug2", "Debug3", "Debug4"};
    return level < sizeof(names) / sizeof(names[0]) ? names[level] : "Unknown";
}

void LogStdout::Print(unsigned level, const char* format, ...)
{
    // A level beyond the mask's 32 bits can never be enabled.
    if (level >= 32 || (m_mask & (1u << level)) == 0)
        return;

    char message[TEXT_SIZE];
    va_list args;
    va_start(args, format);
    int n = vsnprintf(message, sizeof(message), format, args);
    va_end(args);
    if (n < 0)
        message[0] = '\0';

    if (level == LEVEL_ERROR)
    {
        strncpy(m_lastError, message, TEXT_SIZE - 1);
        m_lastError[TEXT_SIZE - 1] = '\0';
    }
    strncpy(m_lastText, message, TEXT_SIZE - 1);
    m_lastText[TEXT_SIZE - 1] = '\0';

    fprintf(m_out, "%s: %s\n", GetLevelName(level), message);
}
