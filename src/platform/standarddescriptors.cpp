#include "platform/standarddescriptors.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

void OpenClosedStandardDescriptors()
{
    for (int fd = 0; fd <= 2; ++fd)
    {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        const int opened = open("/dev/null", O_RDONLY);
        if (opened < 0)
            return; // nothing to open them on: the program runs as it was started
        if (opened != fd)
        {
            // A lower descriptor was free after all: put it where it belongs.
            const bool moved = dup2(opened, fd) == fd;
            close(opened);
            if (!moved)
                return;
        }
    }
}
