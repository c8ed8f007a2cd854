// What a remote serial port's server reports, in the terms of a local port:
// its modem-state byte as MODEM_ bits, its line-state byte as CE_ flags.
#pragma once

#include <cstdint>
#include <string_view>

namespace kestrelon {

// "Remote port does not accept line settings": the server refused the option.
extern const std::string_view kRemoteRefusedText;

// lParam of IP_MODEM_STATE (server byte, IP_REMOTE_DTR, IP_REMOTE_RTS) as MODEM_ bits.
int RemoteModemBits(std::intptr_t state);
// The server's line-state byte as CE_ flags; 0 when it reports no error.
std::uint32_t RemoteLineErrors(std::intptr_t state);

} // namespace kestrelon
