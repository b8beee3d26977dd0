#include "platform/appdatafolder.h"

#include "log/log.h"

#include <wx/utils.h>

#include <cerrno>
#include <cstring>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

wxString theAppDataFolder;

namespace {

void LogError(const char* format, const wxString& first, const wxString& second)
{
    if (theLog != nullptr)
        theLog->Print(Log::LEVEL_ERROR, format, static_cast<const char*>(first.utf8_str()),
                      static_cast<const char*>(second.utf8_str()));
}

wxString BaseDataFolder()
{
    wxString xdg;
    if (wxGetEnv("XDG_DATA_HOME", &xdg) && xdg.StartsWith("/"))
        return xdg;
    const wxString home = HomeFolder();
    return home.empty() ? wxString() : home + "/.local/share";
}

// Creates the folder and its missing parents; false with errno set.
bool MakeFolders(const std::string& folder)
{
    struct stat info;
    if (stat(folder.c_str(), &info) == 0)
    {
        if (S_ISDIR(info.st_mode))
            return true;
        errno = ENOTDIR;
        return false;
    }
    if (errno != ENOENT)
        return false;
    const std::size_t slash = folder.rfind('/');
    if (slash != std::string::npos && slash > 0 && !MakeFolders(folder.substr(0, slash)))
        return false;
    return mkdir(folder.c_str(), 0777) == 0 || errno == EEXIST;
}

} // namespace

wxString HomeFolder()
{
    wxString home;
    if (wxGetEnv("HOME", &home) && home.StartsWith("/"))
        return home;
    // No HOME (a service, a cron job): the password database knows the home.
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(static_cast<std::size_t>(size > 0 ? size : 16384));
    passwd entry;
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr ||
        found->pw_dir == nullptr || found->pw_dir[0] != '/')
        return wxString();
    return wxString(found->pw_dir, *wxConvFileName);
}

wxString FindAppDataFolder(const wxString& vendorName)
{
    wxString folder = BaseDataFolder();
    if (folder.empty())
    {
        LogError("unable to find the application-data folder: %s%s; the settings are kept in memory only",
                 "HOME is not set and the user has no home folder", wxString());
        return wxString();
    }
    while (folder.length() > 1 && folder.EndsWith("/"))
        folder.RemoveLast();
    if (!vendorName.empty())
        folder += "/" + vendorName;
    const wxCharBuffer name = folder.fn_str();
    if (name.data() == nullptr || name.length() == 0)
    {
        LogError("unable to create the application-data folder '%s': %s; the settings are kept in memory only",
                 folder, "the name cannot be written in the file system's encoding");
        return wxString();
    }
    if (!MakeFolders(name.data()))
    {
        LogError("unable to create the application-data folder '%s': %s; the settings are kept in memory only",
                 folder, wxString::FromUTF8(strerror(errno)));
        return wxString();
    }
    return folder;
}
