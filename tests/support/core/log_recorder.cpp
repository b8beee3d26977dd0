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
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int n = vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    if (n > 0)
        vsnprintf(text.data(), text.size() + 1, format, args);
    va_end(args);
    if (level == LEVEL_ERROR)
        m_lastError = text;
    m_lastText = text;
    m_entries.push_back({level, text});
}

std::vector<std::string> LogRecorder::Lines() const
{
    std::vector<std::string> lines;
    for (const Entry& entry : m_entries)
        lines.push_back(std::string(GetLevelName(entry.level)) + ": " + entry.text);
    return lines;
}

bool LogRecorder::Contains(const std::string& line) const
{
    return Count(line) > 0;
}

int LogRecorder::Count(const std::string& line) const
{
    const std::vector<std::string> lines = Lines();
    return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

std::string LogRecorder::Text() const
{
    std::string text;
    for (const std::string& line : Lines())
        text += line + "\n";
    return text;
}

std::vector<std::string> LogRecorder::AtLevel(unsigned level) const
{
    std::vector<std::string> texts;
    for (const Entry& entry : m_entries)
        if (entry.level == level)
            texts.push_back(entry.text);
    return texts;
}

std::vector<std::string> LogRecorder::WithoutTrace() const
{
    std::vector<std::string> texts;
    for (const Entry& entry : m_entries)
        if (entry.level != LEVEL_DEBUG4)
            texts.push_back(entry.text);
    return texts;
}
