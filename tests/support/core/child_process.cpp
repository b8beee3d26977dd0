#include "support/core/child_process.h"

#include "support/core/temp_dir.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

ChildProcess::ChildProcess(std::vector<std::string> argv, Env env, std::string outputFile)
    : m_argv(std::move(argv)), m_env(std::move(env)), m_outputFile(std::move(outputFile))
{
}

ChildProcess::~ChildProcess()
{
    if (m_pid > 0 && !m_exited)
    {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
}

bool ChildProcess::Start()
{
    int out = open(m_outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (out < 0)
        return false;
    m_pid = fork();
    if (m_pid < 0)
    {
        close(out);
        return false;
    }
    if (m_pid == 0)
    {
        dup2(out, STDOUT_FILENO);
        int devnull = open("/dev/null", O_RDONLY);
        if (devnull >= 0)
            dup2(devnull, STDIN_FILENO);
        for (const auto& [name, value] : m_env)
            setenv(name.c_str(), value.c_str(), 1);
        std::vector<char*> args;
        for (auto& arg : m_argv)
            args.push_back(arg.data());
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(out);
    return true;
}

bool ChildProcess::Signal(int signal) const
{
    return m_pid > 0 && !m_exited && kill(m_pid, signal) == 0;
}

bool ChildProcess::Running()
{
    if (m_pid <= 0 || m_exited)
        return false;
    int status = 0;
    if (waitpid(m_pid, &status, WNOHANG) != m_pid)
        return true;
    m_exited = true;
    m_exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return false;
}

bool ChildProcess::Wait(int timeoutMs)
{
    if (m_pid <= 0)
        return false;
    for (int waited = 0; !m_exited; waited += 10)
    {
        int status = 0;
        pid_t r = waitpid(m_pid, &status, WNOHANG);
        if (r == m_pid)
        {
            m_exited = true;
            m_exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            break;
        }
        if (r < 0 && errno != EINTR)
            return false;
        if (waited >= timeoutMs)
        {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
            m_exited = true;
            m_exitStatus = -1;
            return false;
        }
        struct timespec tenMs = {0, 10 * 1000 * 1000};
        nanosleep(&tenMs, nullptr);
    }
    return true;
}

std::string ChildProcess::Output() const
{
    return ReadWholeFile(m_outputFile);
}
