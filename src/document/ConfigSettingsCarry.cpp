// The groups of the settings store that hold one entry per configuration file,
// keyed by ConfigSettingsKey. A group added for another such setting belongs here.
#include "document/ConfigSettingsCarry.h"

#include "document/Pacing.h"

#include <array>

namespace kestrelon {

namespace {
constexpr std::array<const char*, 6> kPerConfigurationGroups = {"Zoom",          "Pacing",       "TerminalView",
                                                                "ListenAddress", "UdpLocalPort", "Connection"};
} // namespace

void CarryConfigSettings(ISettingsStore& store, const std::string& fromPath, const std::string& toPath)
{
    const std::string from = ConfigSettingsKey(fromPath);
    const std::string to = ConfigSettingsKey(toPath);
    if (from == to)
        return;
    for (const char* group : kPerConfigurationGroups) {
        if (const auto value = store.Read(group, from))
            store.Write(group, to, *value);
        else
            store.Remove(group, to);
    }
}

} // namespace kestrelon
