#include "support/core/run_program.h"

#include "support/core/temp_dir.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

bool ProgramRun::Run(const std::string& scratchFolder)
{
    const std::string outFile = scratchFolder + "/run.out";
    const std::string errFile = scratchFolder + "/run.err";
    const int errFd = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int outFd = open(output == Output::FULL ? "/dev/full" : outFile.c_str(),
                           O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (errFd < 0 || outFd < 0)
    {
        if (errFd >= 0)
            close(errFd);
        if (outFd >= 0)
            close(outFd);
        return false;
    }
    const pid_t pid = fork();
    if (pid == 0)
    {
        dup2(errFd, STDERR_FILENO);
        const int devnull = open("/dev/null", O_RDONLY);
        if (devnull >= 0)
            dup2(devnull, STDIN_FILENO);
        // Closed last, so that nothing opened here takes its number.
        if (output == Output::CLOSED)
            close(STDOUT_FILENO);
        else
            dup2(outFd, STDOUT_FILENO);
        for (const auto& [name, value] : env)
        {
            if (value.empty())
                unsetenv(name.c_str());
            else
                setenv(name.c_str(), value.c_str(), 1);
        }
        std::vector<char*> args;
        for (auto& arg : argv)
            args.push_back(arg.data());
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(errFd);
    close(outFd);
    if (pid < 0)
        return false;

    int waitStatus = 0;
    bool terminated = false;
    for (int waited = 0;; waited += 10)
    {
        if (!terminateWhenExists.empty() && !terminated && FileExists(terminateWhenExists))
            terminated = kill(pid, SIGTERM) == 0;
        const pid_t r = waitpid(pid, &waitStatus, WNOHANG);
        if (r == pid)
            break;
        if (r < 0 || waited >= timeoutMs)
        {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            return false;
        }
        const timespec tick = {0, 10 * 1000 * 1000};
        nanosleep(&tick, nullptr);
    }
    status = WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1;
    out = output == Output::CAPTURED ? ReadWholeFile(outFile) : std::string();
    err = ReadWholeFile(errFile);
    return true;
}
