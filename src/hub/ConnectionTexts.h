// Texts of the status bar's connection, log and peer panes, built from the
// connection's current state.
#pragma once

#include "document/WinRecords.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrelon {

extern const std::string_view kNoLogText;        // log pane while not logging
extern const std::string_view kComNotOpenedText; // connection pane, serial port closed
extern const std::string_view kNoPeerText;       // peer pane after each reconnect: three blanks

// Serial connection pane: "COM1: 9600, 8N1" from the driver's line settings.
std::string SerialPaneText(std::uint32_t comPort, const DCB& dcb);

// A pulled adapter, and its return: "Device removed: COM3 (/dev/ttyUSB0)",
// "Device back: COM3".
std::string DeviceRemovedText(std::uint32_t comPort, const std::string& path);
std::string DeviceBackText(std::uint32_t comPort);
// Data typed or sent while the device is removed.
extern const std::string_view kNotSentText;
// Message pane: a key or answer asked for DTR, RTS or a break on a socket.
extern const std::string_view kLineActionsIgnoredText;

// Log pane: the file name without its directory.
std::string LogPaneText(const std::string& path);

} // namespace kestrelon
