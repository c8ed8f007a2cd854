// The remote serial port mark in the settings store: group "Connection", one
// value per configuration path, present only for a remote serial port.
#include "document/RemoteSerialSetting.h"

#include "document/ConfigSettings.h"

namespace kestrelon {

const char* const kRemoteSerialValue = "remote serial port";

bool LoadRemoteSerial(const ISettingsStore& store, const std::string& configPath)
{
    const auto value = store.Read(CONNECTION_GROUP, ConfigSettingsKey(configPath));
    return value && *value == kRemoteSerialValue;
}

void SaveRemoteSerial(ISettingsStore& store, const std::string& configPath, bool remote)
{
    if (remote)
        store.Write(CONNECTION_GROUP, ConfigSettingsKey(configPath), kRemoteSerialValue);
    else
        store.Remove(CONNECTION_GROUP, ConfigSettingsKey(configPath));
}

} // namespace kestrelon
