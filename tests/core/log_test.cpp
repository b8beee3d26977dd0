#include "log/log.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

std::string PrintCaptured(LogStdout& log, unsigned level, const char* message)
{
    testing::internal::CaptureStdout();
    log.Print(level, "%s", message);
    fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

TEST(Log, NewLogWritesAllButDebug4AndKeepsNothing)
{
    LogStdout log;
    EXPECT_EQ(log.GetMask(), 0xFFFFFF7Fu);
    EXPECT_EQ(log.GetLevelCount(), 8u);
    EXPECT_STREQ(log.GetLastErrorText(), "");
    EXPECT_STREQ(log.GetLastText(), "");
}

TEST(Log, LevelNamesIncludingUnusedAndUnknown)
{
    LogStdout log;
    const char* expected[] = {"Error", "Warning", "Info", "????", "Debug1", "Debug2", "Debug3", "Debug4"};
    for (unsigned level = 0; level < 8; ++level)
        EXPECT_STREQ(log.GetLevelName(level), expected[level]) << level;
    EXPECT_STREQ(log.GetLevelName(8), "Unknown");
    EXPECT_STREQ(log.GetLevelName(1000000), "Unknown");
}

TEST(Log, LineIsLevelNameColonBlankMessage)
{
    LogStdout log;
    EXPECT_EQ(PrintCaptured(log, 2, "reading projector file x"), "Info: reading projector file x\n");
    EXPECT_EQ(PrintCaptured(log, 6, "uart tx: 41 03"), "Debug3: uart tx: 41 03\n");
}

TEST(Log, DisabledLevelWritesAndKeepsNothing)
{
    LogStdout log;
    PrintCaptured(log, 0, "first error");
    EXPECT_EQ(PrintCaptured(log, 7, "ReadSource: line [x]"), "");
    EXPECT_STREQ(log.GetLastText(), "first error");
    EXPECT_STREQ(log.GetLastErrorText(), "first error");

    log.SetMask(0);
    EXPECT_EQ(PrintCaptured(log, 0, "masked error"), "");
    EXPECT_STREQ(log.GetLastErrorText(), "first error");
}

TEST(Log, LevelsBeyondTheMaskWidthAreNeverWritten)
{
    LogStdout log;
    log.SetMask(0xFFFFFFFFu);
    EXPECT_EQ(PrintCaptured(log, 32, "x"), "");
    EXPECT_EQ(PrintCaptured(log, 8, "y"), "Unknown: y\n");
}

TEST(Log, WarningKeepsLastTextButNotLastError)
{
    LogStdout log;
    PrintCaptured(log, 0, "unable to open file");
    PrintCaptured(log, 1, "NAK received");
    EXPECT_STREQ(log.GetLastErrorText(), "unable to open file");
    EXPECT_STREQ(log.GetLastText(), "NAK received");
    PrintCaptured(log, 0, "not connected to control panel");
    EXPECT_STREQ(log.GetLastErrorText(), "not connected to control panel");
    EXPECT_STREQ(log.GetLastText(), "not connected to control panel");
}

TEST(Log, LongMessageIsCutTo1023Characters)
{
    LogStdout log;
    std::string longText(3000, 'a');
    longText[1022] = 'Z';
    std::string line = PrintCaptured(log, 0, longText.c_str());
    EXPECT_EQ(line, "Error: " + std::string(1022, 'a') + "Z\n");
    EXPECT_EQ(std::string(log.GetLastErrorText()).size(), 1023u);
    EXPECT_EQ(std::string(log.GetLastText()).back(), 'Z');
}

TEST(Log, FormatsArguments)
{
    LogStdout log;
    testing::internal::CaptureStdout();
    log.Print(1, "malformed packet, length was only %i", 3);
    fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Warning: malformed packet, length was only 3\n");
}

TEST(Log, BaseClassKeepsNoTexts)
{
    struct SilentLog : Log
    {
        SilentLog() : Log(0) {}
        void Print(unsigned, const char*, ...) override {}
    } log;
    EXPECT_STREQ(log.GetLastErrorText(), "");
    EXPECT_STREQ(log.GetLastText(), "");
    log.SetMask(5);
    EXPECT_EQ(log.GetMask(), 5u);
}

} // namespace
