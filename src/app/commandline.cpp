#include "app/commandline.h"

#include "comm/ddcbus.h"
#include "comm/i2ctransport.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

struct CommandName
{
    const char* name;
    StartCommand command;
};

// The keywords of the first argument. A command that starts the program in
// some other way goes here too, with EndsTheProcess() saying so.
const CommandName COMMANDS[] = {
    {"--install", StartCommand::INSTALL},
    {"--uninstall", StartCommand::UNINSTALL},
    {"--appdir", StartCommand::APPDIR},
};

// Case is ignored for ASCII letters only: the keywords are ASCII, and bytes
// of other characters (or of no character at all) must never match them.
bool SameIgnoringAsciiCase(const char* given, const char* keyword)
{
    for (; *given != '\0' && *keyword != '\0'; ++given, ++keyword)
    {
        char c = *given;
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != *keyword)
            return false;
    }
    return *given == *keyword;
}

DdcBus& ChosenBus(DdcBus* bus, std::unique_ptr<DdcBus>& systemBus)
{
    if (bus != nullptr)
        return *bus;
    systemBus = CreateSystemDdcBus();
    return *systemBus;
}

// Writes the text and makes sure it left the process; says why not on
// standard error.
bool WriteOutput(const char* text)
{
    errno = 0;
    const bool written = fputs(text, stdout) >= 0 && fflush(stdout) == 0;
    if (!written)
        fprintf(stderr, "unable to write to standard output: %s\n",
                strerror(errno != 0 ? errno : EIO));
    return written;
}

int ReportDriverResult(const char* what, int result, bool statusFromLowBits)
{
    if (result == 0)
        return 0;
    char line[64];
    snprintf(line, sizeof(line), "Driver %s error %X\n", what, static_cast<unsigned>(result));
    WriteOutput(line);
    if (!statusFromLowBits)
        return 1;
    // The exit status is the code's low 8 bits, but a failure never exits with 0.
    const int status = result & 0xFF;
    return status != 0 ? status : 1;
}

} // namespace

StartCommand FirstArgumentCommand(const char* firstArgument)
{
    if (firstArgument == nullptr)
        return StartCommand::RUN;
    for (const CommandName& entry : COMMANDS)
        if (SameIgnoringAsciiCase(firstArgument, entry.name))
            return entry.command;
    return StartCommand::UNKNOWN;
}

bool EndsTheProcess(StartCommand command)
{
    return command != StartCommand::RUN;
}

int RunMaintenanceCommand(StartCommand command, const wxString& appDataFolder, DdcBus* bus)
{
    std::unique_ptr<DdcBus> systemBus;
    switch (command)
    {
    case StartCommand::INSTALL:
        return ReportDriverResult("installation", InstallI2CDriver(ChosenBus(bus, systemBus), nullptr), true);
    case StartCommand::UNINSTALL:
        return ReportDriverResult("removal", UninstallI2CDriver(ChosenBus(bus, systemBus)), false);
    case StartCommand::APPDIR:
        // No folder: the log has said why; printing nothing is no success.
        if (appDataFolder.empty())
            return 1;
        return WriteOutput(appDataFolder.mb_str()) ? 0 : 1;
    case StartCommand::UNKNOWN:
        WriteOutput("unknown command\n");
        return 1;
    case StartCommand::RUN:
        break;
    }
    return 0;
}

int RunMaintenanceCommand(const char* firstArgument, const wxString& appDataFolder, DdcBus* bus)
{
    return RunMaintenanceCommand(FirstArgumentCommand(firstArgument), appDataFolder, bus);
}
