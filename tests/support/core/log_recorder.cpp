#include "support/core/log_recorder.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

LogRecorder::LogRecorder() : Log(0xFFFFFFFFu), m_previous(theLog)
{
    theLog = this;
}

LogRecorder::~LogRecorder()
{
    theLog = m_previous;
}

void LogRecorder::Print(unsigned level, const char* format, ...)
{
    if (level >= 32 || (m_mask & (1u << level)) == 0)
        return;
    char message[1024];
    va_list args;
    va_start(args, format);
    const int n = vsnprintf(message, sizeof(message), format, args);
    va_end(args);
    if (n < 0)
        message[0] = '\0';
    if (level == LEVEL_ERROR)
        m_lastError = message;
    m_lastText = message;
    m_lines.push_back(std::string(GetLevelName(level)) + ": " + message);
}

bool LogRecorder::Contains(const std::string& line) const
{
    return Count(line) > 0;
}

int LogRecorder::Count(const std::string& line) const
{
    return static_cast<int>(std::count(m_lines.begin(), m_lines.end(), line));
}

std::string LogRecorder::Text() const
{
    std::string text;
    for (const std::string& line : m_lines)
        text += line + "\n";
    return text;
}
