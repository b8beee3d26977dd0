#include "support/core/log_recorder.h"

#include <cstdarg>
#include <cstdio>

void LogRecorder::Print(unsigned level, const char* format, ...)
{
    if (level >= 32 || (m_mask & (1u << level)) == 0)
        return;
    va_list args;
    va_start(args, format);
    char text[4096];
    vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    if (level == LEVEL_ERROR)
        m_lastError = text;
    m_lastText = text;
    m_entries.emplace_back(level, text);
}

std::vector<std::string> LogRecorder::Lines() const
{
    std::vector<std::string> lines;
    for (const auto& [level, text] : m_entries)
        lines.push_back(std::string(GetLevelName(level)) + ": " + text);
    return lines;
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
    for (const auto& [entryLevel, text] : m_entries)
        if (entryLevel == level)
            texts.push_back(text);
    return texts;
}
