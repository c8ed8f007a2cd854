// The key of a configuration file in the settings store, and Save As carrying
// its entries to the new name.
#include "document/ConfigSettings.h"

namespace kestrelon {

std::string ConfigSettingsKey(const std::string& configPath)
{
    if (configPath.empty())
        return "(untitled)";
    std::string key;
    for (const char c : configPath) {
        switch (c) {
        case '%': key += "%25"; break;
        case '/': key += "%2F"; break;
        case '\\': key += "%5C"; break;
        default: key += c; break;
        }
    }
    return key;
}

void CarryConfigSettings(ISettingsStore& store, const std::string& fromPath, const std::string& toPath)
{
    const std::string from = ConfigSettingsKey(fromPath);
    const std::string to = ConfigSettingsKey(toPath);
    if (from == to)
        return;
    for (const char* group : PER_CONFIGURATION_GROUPS) {
        if (const auto value = store.Read(group, from))
            store.Write(group, to, *value);
        else
            store.Remove(group, to);
    }
}

} // namespace kestrelon
