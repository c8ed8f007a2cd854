// What the settings store keeps per configuration file, outside the .kst file so
// that its layout stays: the key of a file, the groups keyed by it (zoom,
// pacing, the Terminal view's options, the local endpoint, the remote-port
// flag), and carrying them to a new name when the file is saved as another.
#pragma once

#include "document/SettingsStore.h"

#include <array>
#include <string>

namespace kestrelon {

inline constexpr const char* ZOOM_GROUP = "Zoom";
inline constexpr const char* PACING_GROUP = "Pacing";
inline constexpr const char* TERMINAL_VIEW_GROUP = "TerminalView";
inline constexpr const char* LISTEN_ADDRESS_GROUP = "ListenAddress";
inline constexpr const char* UDP_LOCAL_PORT_GROUP = "UdpLocalPort";
inline constexpr const char* CONNECTION_GROUP = "Connection";
// Every group above: a setting kept per configuration file belongs here too.
inline constexpr std::array<const char*, 6> PER_CONFIGURATION_GROUPS = {
    ZOOM_GROUP, PACING_GROUP, TERMINAL_VIEW_GROUP, LISTEN_ADDRESS_GROUP, UDP_LOCAL_PORT_GROUP, CONNECTION_GROUP};

// The key of what is kept for `configPath` (empty: a new document): the path
// without the store's group separators.
std::string ConfigSettingsKey(const std::string& configPath);

// Every per-configuration entry of `fromPath` is written for `toPath`; an entry
// `toPath` had that `fromPath` has not is removed. Empty paths are new documents.
void CarryConfigSettings(ISettingsStore& store, const std::string& fromPath, const std::string& toPath);

} // namespace kestrelon
