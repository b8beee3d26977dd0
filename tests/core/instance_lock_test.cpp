#include "platform/instancelock.h"

#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class InstanceLockTest : public testing::Test
{
protected:
    TempDir runtime;
    std::string oldRuntime;
    bool hadRuntime = false;

    void SetUp() override
    {
        if (const char* old = getenv("XDG_RUNTIME_DIR"))
        {
            hadRuntime = true;
            oldRuntime = old;
        }
        setenv("XDG_RUNTIME_DIR", runtime.Path().c_str(), 1);
    }
    void TearDown() override
    {
        if (hadRuntime)
            setenv("XDG_RUNTIME_DIR", oldRuntime.c_str(), 1);
        else
            unsetenv("XDG_RUNTIME_DIR");
    }
};

TEST_F(InstanceLockTest, OneHolderAtATimeAndAKilledHolderBlocksNothing)
{
    {
        InstanceLock first;
        ASSERT_EQ(first.Take("Kesto"), InstanceLock::TAKEN);
        EXPECT_EQ(first.GetPath(), runtime.Path() + "/.Kesto.lock");
        InstanceLock second;
        EXPECT_EQ(second.Take("Kesto"), InstanceLock::HELD_BY_ANOTHER);
        InstanceLock other;
        EXPECT_EQ(other.Take("OtherProgram"), InstanceLock::TAKEN);
    }
    // A holder killed without any clean-up: the kernel gave the lock back.
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    if (child == 0)
    {
        InstanceLock held;
        const char answer = held.Take("Kesto") == InstanceLock::TAKEN ? 'y' : 'n';
        if (write(ready[1], &answer, 1) != 1)
            _exit(1);
        pause();
        _exit(0);
    }
    char answer = 0;
    ASSERT_EQ(read(ready[0], &answer, 1), 1);
    EXPECT_EQ(answer, 'y');
    {
        InstanceLock whileHeld;
        EXPECT_EQ(whileHeld.Take("Kesto"), InstanceLock::HELD_BY_ANOTHER);
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    close(ready[0]);
    close(ready[1]);
    InstanceLock after;
    EXPECT_EQ(after.Take("Kesto"), InstanceLock::TAKEN);
}

TEST_F(InstanceLockTest, NoLockWhereNoneCanBeMade)
{
    ASSERT_EQ(mkdir(runtime.File(".Kesto.lock").c_str(), 0700), 0); // a folder in its place
    InstanceLock lock;
    EXPECT_EQ(lock.Take("Kesto"), InstanceLock::UNAVAILABLE);
    EXPECT_EQ(lock.GetReason(), "Is a directory");

    // Without a runtime folder the home folder holds it.
    TempDir home;
    const char* oldHome = getenv("HOME");
    const std::string savedHome = oldHome ? oldHome : "";
    unsetenv("XDG_RUNTIME_DIR");
    setenv("HOME", home.Path().c_str(), 1);
    InstanceLock inHome;
    EXPECT_EQ(inHome.Take("Kesto"), InstanceLock::TAKEN);
    EXPECT_EQ(inHome.GetPath(), home.Path() + "/.Kesto.lock");
    if (oldHome)
        setenv("HOME", savedHome.c_str(), 1);
}

} // namespace
