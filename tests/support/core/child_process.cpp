#include "support/core/child_process.h"

#include "support/core/temp_dir.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

ChildProcess::ChildProcess(std::vector<std::string> argv, const Env& env, const std::string& outputFile)
    : m_outputFile(outputFile)
{
    const int out = open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (out < 0 || (m_pid = fork()) != 0)
    {
        if (out >= 0)
            close(out);
        return;
    }
    dup2(out, STDOUT_FILENO);
    const int devnull = open("/dev/null", O_RDONLY);
    dup2(devnull, STDIN_FILENO);
    for (const auto& [name, value] : env)
        setenv(name.c_str(), value.c_str(), 1);
    std::vector<char*> args;
    for (std::string& arg : argv)
        args.push_back(arg.data());
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
}

ChildProcess::~ChildProcess()
{
    if (m_pid > 0 && !m_ended)
        Wait(0);
}

bool ChildProcess::Signal(int signal) const
{
    return m_pid > 0 && !m_ended && kill(m_pid, signal) == 0;
}

int ChildProcess::Wait(int timeoutMs)
{
    int status = 0;
    for (int waited = 0; m_pid > 0 && !m_ended; waited += 10, usleep(10000))
    {
        m_ended = waitpid(m_pid, &status, WNOHANG) == m_pid;
        if (!m_ended && waited >= timeoutMs)
        {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
            m_ended = true;
            return -1;
        }
    }
    return m_ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ChildProcess::Output() const
{
    return ReadWholeFile(m_outputFile);
}
