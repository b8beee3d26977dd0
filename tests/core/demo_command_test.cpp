// "--demo" is a start, not a command that ends the process.

#include "app/commandline.h"

#include <gtest/gtest.h>

namespace {

TEST(DemoCommand, StartsTheProgramWhateverTheCase)
{
    struct Row
    {
        const char* argument;
        StartCommand command;
    };
    const Row rows[] = {
        {"--demo", StartCommand::DEMO},
        {"--DEMO", StartCommand::DEMO},
        {"--Demo", StartCommand::DEMO},
        {"--demos", StartCommand::UNKNOWN},
        {"-demo", StartCommand::UNKNOWN},
        {"demo", StartCommand::UNKNOWN},
    };
    for (const Row& row : rows)
    {
        const StartCommand command = FirstArgumentCommand(row.argument);
        EXPECT_EQ(command, row.command) << row.argument;
        EXPECT_EQ(EndsTheProcess(command), row.command != StartCommand::DEMO) << row.argument;
    }
}

} // namespace
