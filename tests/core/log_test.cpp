#include "log/log.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Catches a message longer than the line buffer written past it, and a
// level outside the table of names read past its end.
TEST(Log, LinesLevelsAndTheTextsKept)
{
    LogStdout log;
    const struct
    {
        unsigned level;
        std::string message, line;
    } rows[] = {
        {1, "NAK received %i", "Warning: NAK received 3\n"},
        {7, "ReadSource", ""}, // Debug4 is off unless asked for
        {8, "y", "Unknown: y\n"},
        {32, "z", ""},
        {0, std::string(3000, 'a'), "Error: " + std::string(1023, 'a') + "\n"},
    };
    for (const auto& row : rows)
    {
        testing::internal::CaptureStdout();
        log.Print(row.level, row.message.c_str(), 3);
        fflush(stdout);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), row.line) << row.level;
    }
    EXPECT_EQ(log.GetLastErrorText(), std::string(1023, 'a'));
}

} // namespace
