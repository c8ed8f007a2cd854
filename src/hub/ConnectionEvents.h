// The marked lines with which the ASCII and hex views record the life of the
// connection ("14:02:17 --- Connected: COM200 115200 8N1 ---"), and the texts
// that go into them. They are the program's own words, so they travel in the
// error colour, which the ANSI view never takes.
#pragma once

#include "document/WinRecords.h"

#include <cstdint>
#include <ctime>
#include <string>

namespace kestrelon {

// "14:02:17 --- text ---", the time in the local zone.
std::string EventLine(const std::string& text, std::time_t when);
// "COM200 115200 8N1".
std::string SerialEventName(std::uint32_t comPort, const DCB& dcb);
// "127.0.0.1:9", "[::1]:9".
std::string HostPortName(const std::string& host, std::uint32_t port);
// What a failure of the socket layer comes down to in a line: "refused" for
// "Connect error #10061 (WSAECONNREFUSED): connection refused"; the plain
// words (or the whole text) for failures without a short word.
std::string FailureWords(const std::string& reason);

// Message pane: bytes typed, pasted or answered while nothing is connected.
extern const char* const kNotConnectedText;

} // namespace kestrelon
