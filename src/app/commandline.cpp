#include "app/commandline.h"

#include "comm/ddcbus.h"
#include "comm/i2ctransport.h"

#include <cstdio>
#include <memory>

namespace {

DdcBus& ChosenBus(DdcBus* bus, std::unique_ptr<DdcBus>& systemBus)
{
    if (bus != nullptr)
        return *bus;
    systemBus = CreateSystemDdcBus();
    return *systemBus;
}

} // namespace

int RunMaintenanceCommand(const wxString& firstArgument, const wxString& appDataFolder, DdcBus* bus)
{
    std::unique_ptr<DdcBus> systemBus;
    if (firstArgument.IsSameAs("--install", false))
    {
        const int result = InstallI2CDriver(ChosenBus(bus, systemBus), nullptr);
        if (result == 0)
            return 0;
        printf("Driver installation error %X\n", static_cast<unsigned>(result));
        // The exit status is the code's low 8 bits, but a failure never exits with 0.
        const int status = result & 0xFF;
        return status != 0 ? status : 1;
    }
    if (firstArgument.IsSameAs("--uninstall", false))
    {
        const int result = UninstallI2CDriver(ChosenBus(bus, systemBus));
        if (result == 0)
            return 0;
        printf("Driver removal error %X\n", static_cast<unsigned>(result));
        return 1;
    }
    if (firstArgument.IsSameAs("--appdir", false))
    {
        printf("%s", static_cast<const char*>(appDataFolder.mb_str()));
        return 0;
    }
    printf("unknown command\n");
    return 1;
}
