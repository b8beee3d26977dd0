#include "projdefs/parsecommand.h"

#include "projdefs/nocase.h"

#include <cstring>

namespace {

const unsigned PAUSE_MS[PAUSE_CODE_LAST] = {10, 50, 250, 1000, 5000, 10000, 30000, 60000};

// Numbers beyond this are never a valid pause or byte; scanning saturates
// here so that no overflow can wrap a huge number into a valid one.
const unsigned long long NUMBER_CAP = 1000000000ULL;

bool IsCSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int DigitValue(char c, int base)
{
    int v;
    if (c >= '0' && c <= '9')
        v = c - '0';
    else if (c >= 'a' && c <= 'z')
        v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'Z')
        v = c - 'A' + 10;
    else
        return -1;
    return v < base ? v : -1;
}

// The standard unsigned conversion (strtoul) without its locale and without
// overflow: leading white space, an optional sign, for base 16 an optional
// "0x", then digits. Returns where the number ends (`start` itself when there
// is no digit, as strtoul does). *value is the number as strtoul would give
// it, except that a magnitude above NUMBER_CAP is reported through *huge
// (and *value then stays at the cap) instead of wrapping round.
const char* ScanUnsigned(const char* start, int base, unsigned long long* value, bool* negative, bool* huge)
{
    const char* p = start;
    *value = 0;
    *negative = false;
    *huge = false;
    while (IsCSpace(*p))
        ++p;
    if (*p == '+' || *p == '-')
        *negative = (*p++ == '-');
    if (base == 16 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && DigitValue(p[2], 16) >= 0)
        p += 2;
    if (DigitValue(*p, base) < 0)
    {
        *negative = false;
        return start;
    }
    for (int d; (d = DigitValue(*p, base)) >= 0; ++p)
    {
        if (*huge)
            continue;
        *value = *value * static_cast<unsigned>(base) + static_cast<unsigned>(d);
        if (*value > NUMBER_CAP)
        {
            *huge = true;
            *value = NUMBER_CAP;
        }
    }
    return p;
}

// Pause code (1..8) for a number of milliseconds, 0 when there is none.
uint8_t PauseCode(unsigned long long ms)
{
    for (unsigned i = 0; i < PAUSE_CODE_LAST; ++i)
        if (PAUSE_MS[i] == ms)
            return static_cast<uint8_t>(i + 1);
    return 0;
}

} // namespace

unsigned PauseMilliseconds(uint8_t code)
{
    return (code >= PAUSE_CODE_FIRST && code <= PAUSE_CODE_LAST) ? PAUSE_MS[code - 1] : 0;
}

int ParseCommand(const char* text, CommandBytes* output)
{
    uint8_t buffer[COMMAND_MAX_BYTES];
    size_t length = 0;
    const char* p = text;

    // Position (1-based) of the character at `at`.
    auto positionOf = [text](const char* at) { return static_cast<int>(at - text) + 1; };

    while (*p != '\0')
    {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c < 32 || c > 126)
            return positionOf(p);

        const char* elementStart = p;
        uint8_t bytes[2];
        size_t count;

        if (c != '<')
        {
            bytes[0] = c;
            count = 1;
            ++p;
        }
        else if (StartsWithNoCase(p, "<cr>", 4))
        {
            bytes[0] = 0x0D;
            count = 1;
            p += 4;
        }
        else if (p[1] == 'w' || p[1] == 'W')
        {
            unsigned long long ms;
            bool negative, huge;
            const char* q = ScanUnsigned(p + 2, 10, &ms, &negative, &huge);
            while (*q == ' ')
                ++q;
            if (StartsWithNoCase(q, "ms", 2))
                q += 2;
            else if (StartsWithNoCase(q, "sec", 3))
            {
                q += 3;
                if (!huge)
                    ms *= 1000; // at most NUMBER_CAP * 1000: no overflow
            }
            while (*q == ' ')
                ++q;
            if (*q != '>')
                return positionOf(q);
            const uint8_t code = (negative || huge) ? 0 : PauseCode(ms);
            if (code == 0)
                return positionOf(q);
            bytes[0] = COMMAND_ESC;
            bytes[1] = code;
            count = 2;
            p = q + 1;
        }
        else
        {
            unsigned long long value;
            bool negative, huge;
            const char* digits = p + 1;
            const char* q = ScanUnsigned(digits, 16, &value, &negative, &huge);
            if (q - digits != 2)
                return positionOf(q);
            if (*q != '>')
                return positionOf(q);
            // Two characters hold at most one digit after a sign: no overflow.
            const uint8_t byte = static_cast<uint8_t>(negative ? (0u - static_cast<unsigned>(value)) : value);
            bytes[0] = byte;
            bytes[1] = byte;
            count = (byte == COMMAND_ESC) ? 2 : 1;
            p = q + 1;
        }

        if (length + count > COMMAND_MAX_BYTES)
            return positionOf(elementStart);
        memcpy(buffer + length, bytes, count);
        length += count;
    }

    if (output != nullptr)
        output->assign(buffer, buffer + length);
    return 0;
}
