#pragma once

#include "log/log.h"

#include <string>
#include <vector>

// A log for tests: takes the place of theLog while it lives (every level
// enabled, Debug4 included), keeps each message with its level and the last
// text and error as the real log does, and puts the previous log back when
// it goes.
class LogRecorder final : public Log
{
public:
    struct Entry
    {
        unsigned level;
        std::string text;
    };

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

    const std::vector<Entry>& Entries() const { return m_entries; }
    // Every message as its line would read: "Level: message".
    std::vector<std::string> Lines() const;
    bool Contains(const std::string& line) const;
    // How many lines are exactly this one.
    int Count(const std::string& line) const;
    // Every line, each ended by a line feed (for failure messages).
    std::string Text() const;
    // The messages of one level, in order.
    std::vector<std::string> AtLevel(unsigned level) const;
    // The messages of every level except Debug4 (the per-line trace).
    std::vector<std::string> WithoutTrace() const;
    void Clear() { m_entries.clear(); }

private:
    Log* m_previous;
    std::vector<Entry> m_entries;
    std::string m_lastError;
    std::string m_lastText;
};
