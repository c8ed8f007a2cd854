// This side of an IP connection: the address a TCP server listens on (empty:
// every address) and the local port of a UDP endpoint (0: the remote port). Kept
// in the settings store per configuration file, so .kst files keep their layout.
#pragma once

#include "document/SettingsStore.h"

#include <cstdint>
#include <string>

namespace kestrelon {

struct CLocalEndpoint {
    std::string listenAddress;      // numeric IPv4 or IPv6 address, "" for all
    std::uint16_t udpLocalPort = 0; // 0: bound to the remote port, as ever
    bool operator==(const CLocalEndpoint&) const = default;
};

// "" or a numeric address of the family: "127.0.0.1", or "::1" with `ipv6`.
bool IsListenAddress(const std::string& text, bool ipv6);

// What is stored for `configPath`; anything unreadable reads as the defaults.
CLocalEndpoint LoadLocalEndpoint(const ISettingsStore& store, const std::string& configPath);
void SaveLocalEndpoint(ISettingsStore& store, const std::string& configPath, const CLocalEndpoint& endpoint);

} // namespace kestrelon
