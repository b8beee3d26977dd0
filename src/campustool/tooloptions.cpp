#include "campustool/tooloptions.h"

#include "campus/brokeraddress.h"
#include "platform/regularfile.h"
#include "settings/campussettings.h"

namespace {

constexpr size_t PASSWORD_FILE_MAX = 64 * 1024;

// The first line of the file, without its line end.
bool ReadPasswordFile(const std::string& path, std::string& password, std::string& why)
{
    std::string contents;
    std::string reason;
    if (!ReadRegularFile(path.c_str(), contents, reason, PASSWORD_FILE_MAX))
    {
        why = "cannot read the password file '" + path + "': " + reason;
        return false;
    }
    password = contents.substr(0, contents.find('\n'));
    if (!password.empty() && password.back() == '\r')
        password.pop_back();
    return true;
}

// The actions' words after their option-free arguments.
bool TakeAction(const std::vector<std::string>& words, ToolOptions& options, std::string& why)
{
    if (words.empty())
    {
        why = "no command given (list or power)";
        return false;
    }
    const std::string& verb = words[0];
    if (verb == "list" && words.size() == 2)
    {
        options.action = ToolOptions::LIST;
        options.broker = words[1];
        return true;
    }
    if (verb == "power" && words.size() == 4)
    {
        if (words[1] != "on" && words[1] != "off")
        {
            why = "power takes on or off, not '" + words[1] + "'";
            return false;
        }
        options.action = ToolOptions::POWER;
        options.power = words[1] == "on" ? "ON" : "OFF";
        options.room = words[2];
        options.broker = words[3];
        if (options.room != "all" && !IsTopicName(options.room, false))
        {
            why = "the room name '" + options.room + "' cannot be used in a topic";
            return false;
        }
        return true;
    }
    if (verb == "list" || verb == "power")
        why = verb == "list" ? "usage: list [--on] BROKER_URL" : "usage: power on|off ROOM|all BROKER_URL";
    else
        why = "unknown command '" + verb + "' (list or power)";
    return false;
}

} // namespace

bool ParseToolOptions(const std::vector<std::string>& args, ToolOptions& options, std::string& why)
{
    options = ToolOptions();
    options.prefix = DEFAULT_CAMPUS_PREFIX;
    std::string passwordFile;
    std::vector<std::string> words;
    for (size_t i = 0; i < args.size(); ++i)
    {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h")
        {
            options.action = ToolOptions::HELP;
            return true;
        }
        if (arg == "--version")
        {
            options.action = ToolOptions::VERSION;
            return true;
        }
        if (arg == "--on" || arg == "--json")
        {
            (arg == "--on" ? options.onOnly : options.json) = true;
            continue;
        }
        if (arg.rfind("--", 0) != 0)
        {
            words.push_back(arg);
            continue;
        }
        const size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        std::string* target = name == "--user"            ? &options.user
                              : name == "--password-file" ? &passwordFile
                              : name == "--cafile"        ? &options.caFile
                              : name == "--prefix"        ? &options.prefix
                                                          : nullptr;
        if (target == nullptr)
        {
            why = "unknown option '" + name + "'";
            return false;
        }
        if (equals != std::string::npos)
            *target = arg.substr(equals + 1);
        else if (i + 1 < args.size())
            *target = args[++i];
        else
        {
            why = "the option " + name + " needs a value";
            return false;
        }
    }
    if (!TakeAction(words, options, why))
        return false;
    if (options.onOnly && options.action != ToolOptions::LIST)
    {
        why = "--on belongs to list";
        return false;
    }
    BrokerAddress address;
    if (!ParseBrokerUrl(options.broker, address, why))
        return false;
    if (!IsTopicName(options.prefix, true))
    {
        why = "the prefix '" + options.prefix + "' cannot be used in a topic";
        return false;
    }
    return passwordFile.empty() || ReadPasswordFile(passwordFile, options.password, why);
}

const char* ToolHelpText()
{
    return "Usage: aulavox-campus [OPTION...] list [--on] BROKER_URL\n"
           "       aulavox-campus [OPTION...] power on|off ROOM|all BROKER_URL\n"
           "\n"
           "The rooms of a campus as their Aulavox Kesto panels report them to an MQTT broker.\n"
           "\n"
           "  list        one line per room, sorted: room, online/offline, power, source,\n"
           "              projector, last change (the retained status and state, read for\n"
           "              at most 2 s)\n"
           "  power       switches one room's projector, or every room's (all); waits up to\n"
           "              10 s for the rooms to follow and prints each room that did not, with\n"
           "              why: offline, commands not allowed, the box refused, no answer.\n"
           "              With all, every room the broker knows; an offline room counts when\n"
           "              its last state already is the one asked\n"
           "\n"
           "BROKER_URL is mqtt://host[:1883] or mqtts://host[:8883] (TLS).\n"
           "\n"
           "Options:\n"
           "  --on                  list: only the rooms whose projector is on or warming\n"
           "  --json                one JSON document on standard output instead of lines\n"
           "  --user NAME           the broker's user name\n"
           "  --password-file FILE  the broker's password: the first line of FILE\n"
           "  --cafile FILE         the CA that signed an mqtts broker's certificate\n"
           "                        (default: the system's certificates)\n"
           "  --prefix PREFIX       the first level of the panels' topics (default: aulavox)\n"
           "  --help                this text\n"
           "  --version             the program's version\n"
           "\n"
           "Exit status:\n"
           "  0   listed; or every room followed the command\n"
           "  1   a room did not follow the command\n"
           "  2   the broker could not be reached, refused the credentials or went away\n"
           "      (the reason on standard error)\n"
           "  3   the output could not be written\n"
           "  64  bad usage or an unreadable password file (the reason on standard error)\n";
}
