#pragma once

#include "log/log.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

// A log for tests: takes the place of theLog while it lives (every level
// enabled, Debug4 included), keeps each message with its level and the last
// text and error as the real log does, and puts the previous log back.
class LogRecorder final : public Log
{
public:
    LogRecorder() : Log(0xFFFFFFFFu), m_previous(theLog) { theLog = this; }
    ~LogRecorder() { theLog = m_previous; }
    LogRecorder(const LogRecorder&) = delete;
    LogRecorder& operator=(const LogRecorder&) = delete;

    void Print(unsigned level, const char* format, ...) override __attribute__((format(printf, 3, 4)));
    const char* GetLastErrorText() const override { return m_lastError.c_str(); }
    const char* GetLastText() const override { return m_lastText.c_str(); }

    std::vector<std::string> Lines() const; // "Level: message"
    int Count(const std::string& line) const
    {
        const std::vector<std::string> lines = Lines();
        return static_cast<int>(std::count(lines.begin(), lines.end(), line));
    }
    bool Contains(const std::string& line) const { return Count(line) > 0; }
    std::string Text() const; // every line, for failure messages
    std::vector<std::string> AtLevel(unsigned level) const;
    void Clear() { m_entries.clear(); }

private:
    Log* m_previous;
    std::vector<std::pair<unsigned, std::string>> m_entries;
    std::string m_lastError, m_lastText;
};
