// The protocol names that the command line and scripts use, and the one-line
// text of how a transfer ended, shared by every transfer without a window.
#pragma once

#include <string_view>

namespace kestrelon {

// "xmodem", "xmodem1k", "ymodem", "zim" or "none"; -1 for any other name.
int TransferProtocolByName(std::string_view name);
// XModem ZIM and the plain stream only send.
bool TransferProtocolReceives(int protocol);
// Why a transfer failed, from its RESULT_* and the FILE_ERROR_* it reported
// (negative: none).
const char* TransferFailureText(int result, int fileError);

} // namespace kestrelon
