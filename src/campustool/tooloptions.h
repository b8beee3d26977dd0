#pragma once

#include <string>
#include <vector>

// The exit codes of aulavox-campus.
constexpr int EXIT_CAMPUS_DONE = 0;         // listed; or every room followed the command
constexpr int EXIT_CAMPUS_NOT_FOLLOWED = 1; // a room did not follow the command
constexpr int EXIT_CAMPUS_UNREACHABLE = 2;  // the broker could not be reached or refused us
constexpr int EXIT_CAMPUS_OUTPUT = 3;       // the output could not be written
constexpr int EXIT_CAMPUS_USAGE = 64;       // bad usage or an unreadable password file

// What the command line asks for.
struct ToolOptions
{
    enum Action
    {
        LIST,
        POWER,
        HELP,
        VERSION,
    };
    Action action = HELP;
    bool onOnly = false; // list: only the rooms whose projector is on or warming
    bool json = false;
    std::string power; // power: "ON" or "OFF"
    std::string room;  // power: a room's name, or "all"
    std::string broker;
    std::string user;
    std::string password; // the first line of --password-file
    std::string caFile;
    std::string prefix;
};

// Reads the arguments (without the program's name); options may stand
// anywhere, as "--name value" or "--name=value". False, with the reason,
// for anything it cannot use, an unreadable password file included.
bool ParseToolOptions(const std::vector<std::string>& args, ToolOptions& options, std::string& why);

// The text of --help.
const char* ToolHelpText();
