#pragma once

#include <cstdint>
#include <cstdio>

// Process-wide diagnostics: levels 0..7, filtered by a bit mask, one line per
// message. Callers reach the one instance through theLog.
class Log
{
public:
    enum Level : unsigned
    {
        LEVEL_ERROR = 0,
        LEVEL_WARNING = 1,
        LEVEL_INFO = 2,
        LEVEL_UNUSED = 3,
        LEVEL_DEBUG1 = 4,
        LEVEL_DEBUG2 = 5,
        LEVEL_DEBUG3 = 6,
        LEVEL_DEBUG4 = 7,
    };

    virtual void Print(unsigned level, const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 3, 4)))
#endif
        = 0;
    virtual void SetMask(uint32_t mask) { m_mask = mask; }
    virtual uint32_t GetMask() const { return m_mask; }
    virtual unsigned GetLevelCount() const { return 8; }
    virtual const char* GetLastErrorText() const { return ""; }
    virtual const char* GetLastText() const { return ""; }
    virtual const char* GetLevelName(unsigned level) const;

protected:
    explicit Log(uint32_t mask) : m_mask(mask) {}
    // Not virtual on purpose: the owner deletes the concrete object it made.
    ~Log() = default;

    uint32_t m_mask;
};

// Writes "%s: %s\n" (level name, message) to standard output (or to the
// stream given: a command whose standard output is its answer logs to
// standard error) and keeps the last message and the last error, each cut to
// 1023 characters.
class LogStdout final : public Log
{
public:
    static constexpr uint32_t DEFAULT_MASK = 0xFFFFFF7Fu; // all but Debug4
    static constexpr unsigned TEXT_SIZE = 1024;

    explicit LogStdout(FILE* out = stdout) : Log(DEFAULT_MASK), m_out(out) {}
    ~LogStdout() = default;

    void Print(unsigned level, const char* format, ...) override
#if defined(__GNUC__)
        __attribute__((format(printf, 3, 4)))
#endif
        ;
    const char* GetLastErrorText() const override { return m_lastError; }
    const char* GetLastText() const override { return m_lastText; }

private:
    FILE* m_out;
    char m_lastError[TEXT_SIZE] = {};
    char m_lastText[TEXT_SIZE] = {};
};

extern Log* theLog;
