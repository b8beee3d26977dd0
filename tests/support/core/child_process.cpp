#include "support/core/child_process.h"

#include "support/core/temp_dir.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

ChildProcess::~ChildProcess()
{
    if (Running())
        Wait(0);
}

bool ChildProcess::Start()
{
    // Everything the child needs is made here: after fork only exec-safe calls.
    std::vector<std::string> env;
    for (char** entry = environ; *entry != nullptr; ++entry)
        env.emplace_back(*entry);
    for (const auto& [name, value] : m_env)
    {
        const std::string prefix = name + "=";
        env.erase(std::remove_if(env.begin(), env.end(), [&](const std::string& e) { return e.rfind(prefix, 0) == 0; }),
                  env.end());
        if (!value.empty())
            env.push_back(prefix + value);
    }
    std::vector<char*> envp, args;
    for (std::string& entry : env)
        envp.push_back(entry.data());
    for (std::string& arg : m_argv)
        args.push_back(arg.data());
    envp.push_back(nullptr);
    args.push_back(nullptr);

    const int flags = O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC;
    const int out = open(m_stdout == Stdout::FULL ? "/dev/full" : m_outputFile.c_str(), flags, 0600);
    const int err = open((m_outputFile + ".err").c_str(), flags, 0600);
    const int in = open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (out >= 0 && err >= 0 && in >= 0 && (m_pid = fork()) == 0)
    {
        dup2(in, STDIN_FILENO);
        dup2(err, STDERR_FILENO);
        if (m_stdout == Stdout::CLOSED)
            close(STDOUT_FILENO);
        else
            dup2(out, STDOUT_FILENO);
        execve(args[0], args.data(), envp.data());
        _exit(127);
    }
    for (int fd : {out, err, in})
        if (fd >= 0)
            close(fd);
    return m_pid > 0;
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
    const pid_t ended = waitpid(m_pid, &status, WNOHANG);
    if (ended == 0)
        return true;
    m_exited = true;
    m_exitStatus = ended == m_pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return false;
}

bool ChildProcess::Wait(int timeoutMs)
{
    if (WaitUntil([this] { return !Running(); }, timeoutMs))
        return m_exited;
    kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
    m_exited = true;
    return false;
}

std::string ChildProcess::Output() const
{
    return ReadWholeFile(m_outputFile);
}

std::string ChildProcess::Errors() const
{
    return ReadWholeFile(m_outputFile + ".err");
}

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition())
    {
        if (std::chrono::steady_clock::now() >= end)
            return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}
