#pragma once

#include <string>
#include <vector>

// Runs a program to its end and keeps what it wrote: for commands that end
// by themselves. The environment is this process's with the given changes
// (an empty value removes the variable). Standard output goes to a file, or
// is closed, or is /dev/full.
struct ProgramRun
{
    enum class Output
    {
        CAPTURED,
        CLOSED,
        FULL,
    };

    std::vector<std::string> argv; // argv[0] is the program's path
    std::vector<std::pair<std::string, std::string>> env;
    Output output = Output::CAPTURED;
    int timeoutMs = 20000;
    // When not empty: SIGTERM is sent once this file exists (the program's
    // sign that it is running).
    std::string terminateWhenExists;

    // Results.
    int status = -1; // the exit status; -1 when ended by a signal or killed
    std::string out;
    std::string err;

    // False when the program could not be started or did not end in time
    // (then it is killed).
    bool Run(const std::string& scratchFolder);
};
