#include "projdefs/leftovers.h"

#include "projdefs/logprint.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

void RemoveLeftoverTemporaries(const std::string& fileName)
{
    if (fileName.empty())
        return;
    for (const char* suffix : {SAVE_SUFFIX, DOWNLOAD_SUFFIX})
    {
        const std::string name = fileName + suffix;
        struct stat info;
        // Only what the program itself makes there: a regular file.
        if (lstat(name.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
            continue;
        if (unlink(name.c_str()) == 0)
            LOG_PRINT(Log::LEVEL_INFO, "removed '%s', left by an interrupted save or download", name.c_str());
        else
            LOG_PRINT(Log::LEVEL_WARNING, "unable to remove file '%s': %s", name.c_str(), strerror(errno));
    }
}
