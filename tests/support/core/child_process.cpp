#include "support/core/child_process.h"

#include "support/core/temp_dir.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
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

    if (m_stdout != Stdout::FILE)
        WriteWholeFile(m_outputFile, ""); // what an earlier run wrote there is gone
    const int flags = O_WRONLY | O_CREAT | O_TRUNC;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (m_stdout == Stdout::CLOSED)
        posix_spawn_file_actions_addclose(&actions, STDOUT_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO,
                                         m_stdout == Stdout::FULL ? "/dev/full" : m_outputFile.c_str(), flags, 0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, (m_outputFile + ".err").c_str(), flags, 0600);
    const bool started = posix_spawn(&m_pid, args[0], &actions, nullptr, args.data(), envp.data()) == 0;
    posix_spawn_file_actions_destroy(&actions);
    return started || (m_pid = -1, false);
}

bool ChildProcess::Signal(int signal) const
{
    return m_pid > 0 && !m_exited && kill(m_pid, signal) == 0;
}

bool ChildProcess::Running()
{
    int status = 0;
    const pid_t ended = m_pid > 0 && !m_exited ? waitpid(m_pid, &status, WNOHANG) : -1;
    if (ended == 0 || m_exited || m_pid <= 0)
        return ended == 0;
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
    return !(m_exited = true);
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
