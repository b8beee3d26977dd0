#pragma once

#include <functional>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

// Runs a program as a child process for black-box tests, in this process's
// environment with the given changes (an empty value removes the variable).
// Its standard output goes to a file that can be read while it runs, or is
// closed, or is /dev/full; its standard error goes to the file's name with
// ".err" added. It is killed (only this child, by its id) if it outlives
// the test.
class ChildProcess
{
public:
    using Env = std::vector<std::pair<std::string, std::string>>;
    enum class Stdout { FILE, CLOSED, FULL };

    ChildProcess(std::vector<std::string> argv, Env env, std::string outputFile, Stdout stdoutTo = Stdout::FILE)
        : m_argv(std::move(argv)), m_env(std::move(env)), m_outputFile(std::move(outputFile)), m_stdout(stdoutTo)
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
    int ExitStatus() const { return m_exitStatus; } // -1 when ended by a signal
    std::string Output() const;
    std::string Errors() const;

private:
    std::vector<std::string> m_argv;
    Env m_env;
    std::string m_outputFile;
    Stdout m_stdout;
    pid_t m_pid = -1;
    bool m_exited = false;
    int m_exitStatus = -1;
};

// Checks the condition every 10 ms until it holds; false when the time ran out.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 15000);
