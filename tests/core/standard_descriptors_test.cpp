#include "platform/standarddescriptors.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// In a child process, so that this process's streams stay as they are:
// closes the given descriptors, opens them again and tells by its exit
// status what went wrong (0: nothing).
int ClosedThenOpened(const std::vector<int>& closed)
{
    const pid_t pid = fork();
    if (pid == 0)
    {
        for (int fd : closed)
            close(fd);
        OpenClosedStandardDescriptors();
        for (int fd = 0; fd <= 2; ++fd)
            if (fcntl(fd, F_GETFD) == -1)
                _exit(10 + fd); // still closed: the next file opened would take its number
        for (int fd : closed)
            if (fd > 0 && write(fd, "x", 1) != -1)
                _exit(30 + fd); // a closed output became writable
        _exit(0);
    }
    int status = -1;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(StandardDescriptors, ClosedOnesAreTakenByDevNullAndStayUnwritable)
{
    for (const std::vector<int>& closed : {std::vector<int>{0}, {1}, {2}, {0, 1, 2}})
        EXPECT_EQ(ClosedThenOpened(closed), 0) << "closed: " << testing::PrintToString(closed);
}

} // namespace
