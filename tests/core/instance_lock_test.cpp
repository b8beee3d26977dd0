#include "platform/instancelock.h"

#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Catches a lock that a killed holder leaves taken for good, or one that
// keeps out a program of another name.
TEST(InstanceLock, HeldWhileItsHolderRunsEvenIfKilledThenFree)
{
    TempDir folder; // the data folder
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t holder = fork();
    if (holder == 0)
    {
        InstanceLock held;
        const char answer = held.Take(folder.Path(), "Kesto") == InstanceLock::TAKEN ? 'y' : 'n';
        if (write(ready[1], &answer, 1) == 1)
            pause();
        _exit(1);
    }
    char answer = 0;
    EXPECT_TRUE(read(ready[0], &answer, 1) == 1 && answer == 'y');
    InstanceLock whileHeld, other, afterwards;
    EXPECT_EQ(whileHeld.Take(folder.Path(), "Kesto"), InstanceLock::HELD_BY_ANOTHER);
    EXPECT_EQ(other.Take(folder.Path(), "Other"), InstanceLock::TAKEN);
    // Killed without any clean-up: the kernel gives the lock back.
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    close(ready[0]), close(ready[1]);
    EXPECT_EQ(afterwards.Take(folder.Path(), "Kesto"), InstanceLock::TAKEN);
}

} // namespace
