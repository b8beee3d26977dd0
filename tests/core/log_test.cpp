#include "log/log.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

TEST(Log, LinesLevelsMaskAndTheTextsKept)
{
    LogStdout log;
    EXPECT_EQ(log.GetMask(), 0xFFFFFF7Fu); // all but Debug4
    const struct
    {
        unsigned level;
        std::string message, line, lastText, lastError;
    } rows[] = {
        {0, "unable to open file", "Error: unable to open file\n", "unable to open file", "unable to open file"},
        {1, "NAK received %i", "Warning: NAK received 3\n", "NAK received 3", "unable to open file"},
        {7, "ReadSource: line [x]", "", "NAK received 3", "unable to open file"}, // disabled: nothing kept
        {3, "x", "????: x\n", "x", "unable to open file"},
        {8, "y", "Unknown: y\n", "y", "unable to open file"},
        {32, "z", "", "y", "unable to open file"},
        {0, std::string(3000, 'a'), "Error: " + std::string(1023, 'a') + "\n", std::string(1023, 'a'),
         std::string(1023, 'a')},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.level);
        testing::internal::CaptureStdout();
        log.Print(row.level, row.message.c_str(), 3);
        fflush(stdout);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), row.line);
        EXPECT_EQ(log.GetLastText(), row.lastText);
        EXPECT_EQ(log.GetLastErrorText(), row.lastError);
    }
    log.SetMask(0xFFFFFFFFu);
    EXPECT_STREQ(log.GetLevelName(7), "Debug4");
    EXPECT_STREQ(log.GetLevelName(8), "Unknown");
}

} // namespace
