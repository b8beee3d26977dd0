#include "projdefs/leftovers.h"

#include "platform/replacefile.h"
#include "projdefs/logprint.h"

#include <cstring>

void RemoveLeftoverTemporaries(const std::string& fileName)
{
    if (fileName.empty())
        return;
    for (const auto& [name, error] : RemoveStaleReplacements(fileName))
    {
        if (error == 0)
            LOG_PRINT(Log::LEVEL_INFO, "removed '%s', left by an interrupted save or download", name.c_str());
        else
            LOG_PRINT(Log::LEVEL_WARNING, "unable to remove file '%s': %s", name.c_str(), strerror(error));
    }
}
