#include "support/core/log_capture.h"

#include <cstdarg>
#include <cstdio>

LogCapture::LogCapture() : Log(0xFFFFFFFFu), m_previous(theLog)
{
    theLog = this;
}

LogCapture::~LogCapture()
{
    theLog = m_previous;
}

void LogCapture::Print(unsigned level, const char* format, ...)
{
    if (level >= 32 || (m_mask & (1u << level)) == 0)
        return;
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int n = vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    if (n > 0)
        vsnprintf(text.data(), text.size() + 1, format, args);
    va_end(args);
    m_lines.push_back({level, text});
}

std::vector<std::string> LogCapture::AtLevel(unsigned level) const
{
    std::vector<std::string> texts;
    for (const Line& line : m_lines)
        if (line.level == level)
            texts.push_back(line.text);
    return texts;
}

std::vector<std::string> LogCapture::WithoutTrace() const
{
    std::vector<std::string> texts;
    for (const Line& line : m_lines)
        if (line.level != LEVEL_DEBUG4)
            texts.push_back(line.text);
    return texts;
}
