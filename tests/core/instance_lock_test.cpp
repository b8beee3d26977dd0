#include "platform/instancelock.h"

#include "support/core/scoped_env.h"
#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST(InstanceLock, OneHolderAtATimeAndAKilledHolderBlocksNothing)
{
    TempDir runtime;
    ScopedEnv runtimeVariable("XDG_RUNTIME_DIR", runtime.Path());
    {
        InstanceLock first, second, other;
        ASSERT_EQ(first.Take("Kesto"), InstanceLock::TAKEN);
        EXPECT_EQ(first.GetPath(), runtime.Path() + "/.Kesto.lock");
        EXPECT_EQ(second.Take("Kesto"), InstanceLock::HELD_BY_ANOTHER);
        EXPECT_EQ(other.Take("OtherProgram"), InstanceLock::TAKEN);
    }
    // A holder killed without any clean-up: the kernel gives the lock back.
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    if (child == 0)
    {
        InstanceLock held;
        const char answer = held.Take("Kesto") == InstanceLock::TAKEN ? 'y' : 'n';
        if (write(ready[1], &answer, 1) == 1)
            pause();
        _exit(1);
    }
    char answer = 0;
    EXPECT_EQ(read(ready[0], &answer, 1), 1);
    EXPECT_EQ(answer, 'y');
    EXPECT_EQ(InstanceLock().Take("Kesto"), InstanceLock::HELD_BY_ANOTHER);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    close(ready[0]);
    close(ready[1]);
    EXPECT_EQ(InstanceLock().Take("Kesto"), InstanceLock::TAKEN);
}

TEST(InstanceLock, InTheHomeFolderWithoutARuntimeFolderAndNoneWhereNoneCanBeMade)
{
    TempDir home;
    ScopedEnv homeVariable("HOME", home.Path());
    ScopedEnv runtimeVariable("XDG_RUNTIME_DIR", std::nullopt);
    InstanceLock inHome;
    EXPECT_EQ(inHome.Take("Kesto"), InstanceLock::TAKEN);
    EXPECT_EQ(inHome.GetPath(), home.Path() + "/.Kesto.lock");

    ASSERT_EQ(mkdir(home.File(".Other.lock").c_str(), 0700), 0); // a folder in its place
    InstanceLock lock;
    EXPECT_EQ(lock.Take("Other"), InstanceLock::UNAVAILABLE);
    EXPECT_EQ(lock.GetReason(), "Is a directory");
}

} // namespace
