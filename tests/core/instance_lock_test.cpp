#include "platform/instancelock.h"

#include "support/core/temp_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

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
    EXPECT_EQ(read(ready[0], &answer, 1), 1);
    EXPECT_EQ(answer, 'y');
    InstanceLock whileHeld, other, afterwards;
    EXPECT_EQ(whileHeld.Take(folder.Path(), "Kesto"), InstanceLock::HELD_BY_ANOTHER);
    EXPECT_EQ(other.Take(folder.Path(), "Other"), InstanceLock::TAKEN);
    // Killed without any clean-up: the kernel gives the lock back.
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    close(ready[0]);
    close(ready[1]);
    EXPECT_EQ(afterwards.Take(folder.Path(), "Kesto"), InstanceLock::TAKEN);
    EXPECT_EQ(afterwards.GetPath(), folder.Path() + "/.Kesto.lock");

    ASSERT_EQ(mkdir(folder.File(".Folder.lock").c_str(), 0700), 0); // a folder in its place
    InstanceLock none;
    EXPECT_EQ(none.Take(folder.Path(), "Folder"), InstanceLock::UNAVAILABLE);
    EXPECT_EQ(none.GetReason(), "Is a directory");
}

} // namespace
