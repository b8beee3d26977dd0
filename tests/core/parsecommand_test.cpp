#include "projdefs/parsecommand.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

namespace {

CommandBytes Bytes(std::initializer_list<int> values)
{
    CommandBytes bytes;
    for (int v : values)
        bytes.push_back(static_cast<uint8_t>(v));
    return bytes;
}

// Converts `text` and expects success; returns the bytes.
CommandBytes Converted(const std::string& text)
{
    CommandBytes out;
    EXPECT_EQ(ParseCommand(text.c_str(), &out), 0) << "text: " << text;
    return out;
}

TEST(ParseCommand, PlainTextBecomesItsBytesIncludingBlanksAndLoneCloser)
{
    EXPECT_EQ(Converted(""), CommandBytes{});
    EXPECT_EQ(Converted("PWR ON "), Bytes({'P', 'W', 'R', ' ', 'O', 'N', ' '}));
    EXPECT_EQ(Converted(">~ "), Bytes({'>', '~', ' '}));
    EXPECT_EQ(Converted("*pow=on#"), Bytes({'*', 'p', 'o', 'w', '=', 'o', 'n', '#'}));
}

TEST(ParseCommand, CarriageReturnInAnyCaseAndAsHex)
{
    for (const char* text : {"<cr>", "<CR>", "<Cr>", "<cR>", "<0D>", "<0d>"})
        EXPECT_EQ(Converted(text), Bytes({0x0D})) << text;
    EXPECT_EQ(Converted("A<cr>B"), Bytes({'A', 0x0D, 'B'}));
}

TEST(ParseCommand, HexEscapesAndEscDoubling)
{
    EXPECT_EQ(Converted("<02>PON<03>"), Bytes({0x02, 'P', 'O', 'N', 0x03}));
    EXPECT_EQ(Converted("<00><ff><Ab>"), Bytes({0x00, 0xFF, 0xAB}));
    EXPECT_EQ(Converted("<1B>"), Bytes({0x1B, 0x1B}));
    EXPECT_EQ(Converted("<1b>x<1B>"), Bytes({0x1B, 0x1B, 'x', 0x1B, 0x1B}));
    EXPECT_EQ(Converted("<3C><3E>"), Bytes({'<', '>'}));
}

TEST(ParseCommand, HexEscapeTakesWhatTheUnsignedConversionTakes)
{
    // A leading blank or sign counts among the two characters.
    EXPECT_EQ(Converted("< 1>"), Bytes({0x01}));
    EXPECT_EQ(Converted("<+F>"), Bytes({0x0F}));
    EXPECT_EQ(Converted("<-1>"), Bytes({0xFF}));
    EXPECT_EQ(Converted("<-F>"), Bytes({0xF1}));
    // Inside an escape the printable rule does not apply: a tab is white space.
    EXPECT_EQ(Converted("<\t7>"), Bytes({0x07}));
}

TEST(ParseCommand, PauseTableAndItsSpellings)
{
    const char* units[] = {"10 ms", "50 ms", "250 ms", "1 sec", "5 sec", "10 sec", "30 sec", "60 sec"};
    for (int code = 1; code <= 8; ++code)
    {
        const std::string text = std::string("<w ") + units[code - 1] + ">";
        EXPECT_EQ(Converted(text), Bytes({0x1B, code})) << text;
        EXPECT_EQ(PauseMilliseconds(static_cast<uint8_t>(code)),
                  (code <= 3 ? std::strtoul(units[code - 1], nullptr, 10)
                             : std::strtoul(units[code - 1], nullptr, 10) * 1000));
    }
    EXPECT_EQ(PauseMilliseconds(0), 0u);
    EXPECT_EQ(PauseMilliseconds(9), 0u);

    EXPECT_EQ(Converted("<W250MS>"), Bytes({0x1B, 0x03}));
    EXPECT_EQ(Converted("<w1000>"), Bytes({0x1B, 0x04}));
    EXPECT_EQ(Converted("<w60SeC>"), Bytes({0x1B, 0x08}));
    EXPECT_EQ(Converted("<w +10  ms  >"), Bytes({0x1B, 0x01}));
    EXPECT_EQ(Converted("<w\t50>"), Bytes({0x1B, 0x02}));
    EXPECT_EQ(Converted("A<w 1 sec>B"), Bytes({'A', 0x1B, 0x04, 'B'}));
}

TEST(ParseCommand, PauseErrorPositions)
{
    EXPECT_EQ(ParseCommand("<w 100 ms>"), 10);      // not in the table: at ">"
    EXPECT_EQ(ParseCommand("<w>"), 3);              // no digits: 0 ms
    EXPECT_EQ(ParseCommand("<w 1 s>"), 6);          // the lone "s"
    EXPECT_EQ(ParseCommand("<w 10 msec>"), 9);      // "ms" taken, then "e"
    EXPECT_EQ(ParseCommand("<w 10 ms"), 9);         // no ">": one past the end
    EXPECT_EQ(ParseCommand("<w-10>"), 6);           // negative: not in the table
    EXPECT_EQ(ParseCommand("<w - 10>"), 4);         // a sign without digits is not taken
    EXPECT_EQ(ParseCommand("<w1.5sec>"), 4);        // "." after the number
    EXPECT_EQ(ParseCommand("xy<w 10 ms"), 11);
    // A number so large that multiplying it by 1000 wraps round to 10000 in
    // 64 bits must not pass as a 10-second pause.
    EXPECT_EQ(ParseCommand("<w 2305843009213693962 sec>"), 27);
    EXPECT_EQ(ParseCommand("<w 18446744073709551626>"), 24);
}

TEST(ParseCommand, HexErrorPositions)
{
    EXPECT_EQ(ParseCommand("<1>"), 3);      // one digit: at ">"
    EXPECT_EQ(ParseCommand("<123>"), 5);    // three digits: at ">"
    EXPECT_EQ(ParseCommand("<12x"), 4);     // two digits, then not ">"
    EXPECT_EQ(ParseCommand("<G1>"), 2);     // no digit at all: right after "<"
    EXPECT_EQ(ParseCommand("<"), 2);        // lone "<" at the end: one past the end
    EXPECT_EQ(ParseCommand("AB<"), 4);
    EXPECT_EQ(ParseCommand("<1"), 3);       // text ends after one digit
    EXPECT_EQ(ParseCommand("<12"), 4);      // text ends before ">"
    EXPECT_EQ(ParseCommand("<0x1>"), 5);    // "0x1" is three characters
    EXPECT_EQ(ParseCommand("<0x>"), 3);     // "0" alone, then "x"
    EXPECT_EQ(ParseCommand("<  1>"), 5);    // two blanks and a digit: three characters
    EXPECT_EQ(ParseCommand("<c>"), 3);      // "c" is a hex digit, not the start of <cr>
    EXPECT_EQ(ParseCommand("<cr"), 3);      // "c" read as one hex digit, then "r"
    EXPECT_EQ(ParseCommand("<FFFFFFFFFFFFFFFFFFFFFFFF>"), 26);
}

TEST(ParseCommand, CharactersOutsideThePrintableRangeFailAtTheirPosition)
{
    EXPECT_EQ(ParseCommand("A\tB"), 2);
    EXPECT_EQ(ParseCommand("ABC\x7F"), 4);
    EXPECT_EQ(ParseCommand("\x1F"), 1);
    EXPECT_EQ(ParseCommand("ok\xC3\xA4"), 3);
    EXPECT_EQ(ParseCommand("<cr>\r"), 5);
}

TEST(ParseCommand, OutputReplacedOnSuccessAndUntouchedOnFailure)
{
    CommandBytes out = Bytes({1, 2, 3});
    EXPECT_EQ(ParseCommand("x<zz>", &out), 3);
    EXPECT_EQ(out, Bytes({1, 2, 3}));
    EXPECT_EQ(ParseCommand("", &out), 0);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(ParseCommand("AB", &out), 0);
    EXPECT_EQ(ParseCommand("C", &out), 0);
    EXPECT_EQ(out, Bytes({'C'}));
    EXPECT_EQ(ParseCommand("fine", nullptr), 0);
}

TEST(ParseCommand, RefusesTextThatConvertsToMoreThan256Bytes)
{
    EXPECT_EQ(Converted(std::string(256, 'A')).size(), 256u);
    EXPECT_EQ(ParseCommand(std::string(257, 'A').c_str()), 257);

    // An escape that does not fit fails at its "<", also when half of it would fit.
    EXPECT_EQ(Converted(std::string(254, 'A') + "<1B>").size(), 256u);
    EXPECT_EQ(ParseCommand((std::string(255, 'A') + "<1B>").c_str()), 256);
    EXPECT_EQ(ParseCommand((std::string(255, 'A') + "<w 10 ms>").c_str()), 256);
    EXPECT_EQ(ParseCommand((std::string(256, 'A') + "<cr>").c_str()), 257);

    std::string escs;
    for (int i = 0; i < 128; ++i)
        escs += "<1b>";
    EXPECT_EQ(Converted(escs).size(), 256u);
    EXPECT_EQ(ParseCommand((escs + "<1b>").c_str()), 128 * 4 + 1);

    CommandBytes out = Bytes({9});
    EXPECT_EQ(ParseCommand(std::string(1022, 'x').c_str(), &out), 257);
    EXPECT_EQ(out, Bytes({9}));
}

// The conversion as written with the C library's strtoul, for short texts
// (no number long enough to overflow): the one-pass conversion must agree
// with it on the result and the bytes.
int ReferenceParse(const char* text, CommandBytes* out)
{
    static const unsigned table[] = {10, 50, 250, 1000, 5000, 10000, 30000, 60000};
    CommandBytes bytes;
    const char* p = text;
    while (*p)
    {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c < 32 || c > 126)
            return static_cast<int>(p - text) + 1;
        if (c != '<')
        {
            bytes.push_back(c);
            ++p;
            continue;
        }
        if (strncasecmp(p, "<cr>", 4) == 0)
        {
            bytes.push_back(0x0D);
            p += 4;
            continue;
        }
        if (p[1] == 'w' || p[1] == 'W')
        {
            char* end;
            unsigned long ms = strtoul(p + 2, &end, 10);
            while (*end == ' ')
                ++end;
            if (strncasecmp(end, "ms", 2) == 0)
                end += 2;
            else if (strncasecmp(end, "sec", 3) == 0)
            {
                end += 3;
                ms *= 1000;
            }
            while (*end == ' ')
                ++end;
            if (*end != '>')
                return static_cast<int>(end - text) + 1;
            int code = 0;
            for (int i = 0; i < 8; ++i)
                if (table[i] == ms)
                    code = i + 1;
            if (code == 0)
                return static_cast<int>(end - text) + 1;
            bytes.push_back(0x1B);
            bytes.push_back(static_cast<uint8_t>(code));
            p = end + 1;
            continue;
        }
        char* end;
        unsigned long value = strtoul(p + 1, &end, 16);
        if (end - (p + 1) != 2 || *end != '>')
            return static_cast<int>(end - text) + 1;
        bytes.push_back(static_cast<uint8_t>(value));
        if (static_cast<uint8_t>(value) == 0x1B)
            bytes.push_back(0x1B);
        p = end + 1;
    }
    *out = bytes;
    return 0;
}

TEST(ParseCommand, AgreesWithTheStrtoulConversionOnRandomShortTexts)
{
    const std::string alphabet = "<<<<>>>wWcCrRmMsSeE0123456789aAfFbBxX+- \t.\x7F";
    std::mt19937 random(12345);
    for (int round = 0; round < 100000; ++round)
    {
        std::string text;
        const int length = static_cast<int>(random() % 12);
        for (int i = 0; i < length; ++i)
            text += alphabet[random() % alphabet.size()];
        CommandBytes expected, actual;
        const int want = ReferenceParse(text.c_str(), &expected);
        const int got = ParseCommand(text.c_str(), &actual);
        ASSERT_EQ(got, want) << "text [" << text << "]";
        if (want == 0)
        {
            ASSERT_EQ(actual, expected) << "text [" << text << "]";
        }
    }
}

} // namespace
