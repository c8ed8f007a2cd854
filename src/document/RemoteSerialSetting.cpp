// The remote serial port mark in the settings store: group "Connection", one
// value per configuration path, present only for a remote serial port.
#include "document/RemoteSerialSetting.h"

#include "document/Pacing.h"

namespace kestrelon {

namespace {
constexpr const char* kGroup = "Connection";
}

const char* const kRemoteSerialValue = "remote serial port";

bool LoadRemoteSerial(const ISettingsStore& store, const std::string& configPath)
{
    const auto value = store.Read(kGroup, ConfigSettingsKey(configPath));
    return value && *value == kRemoteSerialValue;
}

void SaveRemoteSerial(ISettingsStore& store, const std::string& configPath, bool remote)
{
    if (remote)
        store.Write(kGroup, ConfigSettingsKey(configPath), kRemoteSerialValue);
    else
        store.Remove(kGroup, ConfigSettingsKey(configPath));
}

} // namespace kestrelon
