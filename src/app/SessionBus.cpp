#include "app/SessionBus.h"

#include <cstdlib>
#include <string>

#include <unistd.h>

namespace kestrelon {

namespace {
constexpr const char* kBusLauncher = "/usr/bin/dbus-launch"; // where the library runs it from
}

bool IsBusLaunchFutile(const char* address, const char* runtimeDir, const char* launcher)
{
    if (address != nullptr && *address != '\0')
        return false;
    if (runtimeDir != nullptr && *runtimeDir != '\0' && ::access((std::string(runtimeDir) + "/bus").c_str(), F_OK) == 0)
        return false;
    return ::access(launcher, X_OK) != 0;
}

void SkipFutileBusLaunch()
{
    if (IsBusLaunchFutile(std::getenv("DBUS_SESSION_BUS_ADDRESS"), std::getenv("XDG_RUNTIME_DIR"), kBusLauncher))
        ::setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
}

} // namespace kestrelon
