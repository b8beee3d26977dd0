#pragma once

#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

// Runs a program as a child process for black-box tests. Its standard output
// goes to a file that can be read while it runs; it is killed (only this
// child, by its id) if it outlives the test.
class ChildProcess
{
public:
    using Env = std::vector<std::pair<std::string, std::string>>;

    ChildProcess(std::vector<std::string> argv, Env env, std::string outputFile)
        : m_argv(std::move(argv)), m_env(std::move(env)), m_outputFile(std::move(outputFile))
    {
    }
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Start();
    bool Signal(int signal) const;
    // Whether it still runs; notes its exit status when it has ended. Never waits.
    bool Running();
    // Waits for the end; false when it did not end in time (then it is killed).
    bool Wait(int timeoutMs);
    bool Exited() const { return m_exited; }
    int ExitStatus() const { return m_exitStatus; } // -1 when ended by a signal
    std::string Output() const;

private:
    std::vector<std::string> m_argv;
    Env m_env;
    std::string m_outputFile;
    pid_t m_pid = -1;
    bool m_exited = false;
    int m_exitStatus = -1;
};
