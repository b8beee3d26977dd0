#include "support/core/child_process.h"

#include "support/core/temp_dir.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

ChildProcess::~ChildProcess()
{
    if (m_pid > 0 && !m_exited)
        Wait(0);
}

bool ChildProcess::Start()
{
    const int out = open(m_outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (out < 0 || (m_pid = fork()) != 0)
    {
        if (out >= 0)
            close(out);
        return m_pid > 0;
    }
    dup2(out, STDOUT_FILENO);
    dup2(open("/dev/null", O_RDONLY), STDIN_FILENO);
    for (const auto& [name, value] : m_env)
        setenv(name.c_str(), value.c_str(), 1);
    std::vector<char*> args;
    for (std::string& arg : m_argv)
        args.push_back(arg.data());
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
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
    int status = 0;
    for (int waited = 0; m_pid > 0 && !m_exited; waited += 10, usleep(10000))
    {
        m_exited = waitpid(m_pid, &status, WNOHANG) == m_pid;
        m_exitStatus = m_exited && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (!m_exited && waited >= timeoutMs)
        {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
            m_exited = true;
            return false;
        }
    }
    return m_exited;
}

std::string ChildProcess::Output() const
{
    return ReadWholeFile(m_outputFile);
}
