#include "app/commandline.h"

#include <cstdio>

int RunMaintenanceCommand(const wxString& firstArgument, const wxString& appDataFolder)
{
    if (firstArgument.IsSameAs("--appdir", false))
    {
        printf("%s", static_cast<const char*>(appDataFolder.mb_str()));
        return 0;
    }
    printf("unknown command\n");
    return 1;
}
