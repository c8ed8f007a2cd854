// What a remote serial port's server reports, in the terms of a local port:
// its modem-state byte as MODEM_ bits, its line-state byte as CE_ flags.
#pragma once

#include "document/WinRecords.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrelon {

// "Remote port does not accept line settings": the server refused the option.
extern const std::string_view kRemoteRefusedText;

// The connection pane of a remote serial port: "Remote serial port
// host:2000: 115200, 8N1", the line as a local port's pane shows it.
std::string RemoteSerialPaneText(const std::string& host, std::uint32_t port, const DCB& dcb);

// lParam of IP_MODEM_STATE (server byte, IP_REMOTE_DTR, IP_REMOTE_RTS) as MODEM_ bits.
int RemoteModemBits(std::intptr_t state);
// The server's line-state byte as CE_ flags; 0 when it reports no error.
std::uint32_t RemoteLineErrors(std::intptr_t state);

} // namespace kestrelon
