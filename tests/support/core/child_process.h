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

    ChildProcess(std::vector<std::string> argv, const Env& env, const std::string& outputFile);
    ~ChildProcess();
    bool Started() const { return m_pid > 0; }
    bool Signal(int signal) const;
    // The exit status; -1 when ended by a signal or not in time (then it is killed).
    int Wait(int timeoutMs);
    std::string Output() const;

private:
    std::string m_outputFile;
    pid_t m_pid = -1;
    bool m_ended = false;
};
