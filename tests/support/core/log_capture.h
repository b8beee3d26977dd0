#pragma once

#include "log/log.h"

#include <string>
#include <vector>

// Takes the place of the process-wide log while it lives and keeps every
// message with its level (all levels, Debug4 included); the log that was
// there before comes back at destruction.
class LogCapture final : public Log
{
public:
    struct Line
    {
        unsigned level;
        std::string text;
    };

    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    void Print(unsigned level, const char* format, ...) override
#if defined(__GNUC__)
        __attribute__((format(printf, 3, 4)))
#endif
        ;

    const std::vector<Line>& Lines() const { return m_lines; }
    // The messages of one level, in order.
    std::vector<std::string> AtLevel(unsigned level) const;
    // The messages of every level except Debug4 (the per-line trace).
    std::vector<std::string> WithoutTrace() const;
    void Reset() { m_lines.clear(); }

private:
    Log* m_previous;
    std::vector<Line> m_lines;
};
