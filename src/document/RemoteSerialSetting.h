// Whether a configuration's TCP client is a remote serial port. A .kst file
// has no field for it, so that every version reads every file: the settings
// store keeps it per configuration file, as it keeps the pacing.
#pragma once

#include "document/SettingsStore.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrelon {

// The value the store holds for a remote serial port.
extern const char* const kRemoteSerialValue;

// A remote serial port's client mode: IPv6 for an IPv6 address, else IPv4
// (names too, with the SOCKS fallback of IPv4 clients).
constexpr std::uint32_t RemoteSerialMode(std::string_view host)
{
    return host.find(':') != std::string_view::npos ? 4 : 1;
}

bool LoadRemoteSerial(const ISettingsStore& store, const std::string& configPath);
void SaveRemoteSerial(ISettingsStore& store, const std::string& configPath, bool remote);

} // namespace kestrelon
