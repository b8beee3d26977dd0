#include "platform/standarddescriptors.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// In a child process, so that this process's streams stay as they are:
// closes the given descriptors, opens them again and reports through the
// exit status what a new file and a write then get (0: all as it should be).
int ClosedThenOpened(std::initializer_list<int> closed)
{
    const pid_t pid = fork();
    if (pid == 0)
    {
        for (int fd : closed)
            close(fd);
        OpenClosedStandardDescriptors();
        for (int fd = 0; fd <= 2; ++fd)
            if (fcntl(fd, F_GETFD) == -1)
                _exit(10 + fd); // still closed
        const int next = open("/dev/null", O_RDONLY);
        if (next <= 2)
            _exit(20); // a new file would take a standard number
        for (int fd : closed)
            if (fd > 0 && write(fd, "x", 1) != -1)
                _exit(30 + fd); // a closed output became writable
        _exit(0);
    }
    int status = -1;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

TEST(StandardDescriptors, ClosedOnesAreTakenByDevNullAndStayUnwritable)
{
    const std::initializer_list<int> cases[] = {{0}, {1}, {2}, {0, 1, 2}, {1, 2}, {}};
    for (const auto& closed : cases)
    {
        std::string name;
        for (int fd : closed)
            name += std::to_string(fd) + " ";
        EXPECT_EQ(ClosedThenOpened(closed), 0) << "closed: " << name;
    }
}

} // namespace
