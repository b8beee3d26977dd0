#pragma once

#include "log/log.h"

#include <string>
#include <vector>

// A log for tests: installs itself as theLog (every level enabled), keeps
// each line as "Level: message", and puts the previous log back when it goes.
class LogRecorder final : public Log
{
public:
    LogRecorder();
    ~LogRecorder();
    LogRecorder(const LogRecorder&) = delete;
    LogRecorder& operator=(const LogRecorder&) = delete;

    void Print(unsigned level, const char* format, ...) override
#if defined(__GNUC__)
        __attribute__((format(printf, 3, 4)))
#endif
        ;
    const char* GetLastErrorText() const override { return m_lastError.c_str(); }
    const char* GetLastText() const override { return m_lastText.c_str(); }

    const std::vector<std::string>& Lines() const { return m_lines; }
    bool Contains(const std::string& line) const;
    // How many lines are exactly this one.
    int Count(const std::string& line) const;
    // Every line, each ended by a line feed (for failure messages).
    std::string Text() const;
    void Clear() { m_lines.clear(); }

private:
    Log* m_previous;
    std::vector<std::string> m_lines;
    std::string m_lastError;
    std::string m_lastText;
};
