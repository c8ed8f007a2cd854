// Texts with which the data hub reports connection and transfer faults: the
// line-error lines that travel inside the received data, the COM-port failure
// dialog and the message boxes of failed transfers.
#pragma once

#include "document/HubWindow.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrelon {

// The line shown for the error flags of one serial error report. Only a single
// known flag has its own text; any combination reads as an unknown error.
std::string_view LineErrorText(std::uint32_t flags);

// Text of the COM-port failure dialog.
extern const std::string_view kPortFailureText;
// The failure dialog's line that names the port, its device and the reason,
// as "COM251 (/dev/ttyUSB3): No such file or directory". `reason` is a
// PortFailure, `error` the errno (0: none given).
std::string PortFailureDetail(std::uint32_t comPort, const std::string& path, int reason, int error);
// Label of the dialog button that opens the communication settings.
extern const std::string_view kPortFailureSetupButton;

// lParam values of a transfer's file-error notification.
enum TransferFileError : int { TFE_ACCESS = 1, TFE_ZERO_LENGTH = 2 };
// Transfer status code that carries a file error.
constexpr int TRANSFER_FILE_ERROR = 11;

struct CTransferErrorReport {
    std::string_view text;
    MessageBoxIcon icon;
};
CTransferErrorReport TransferErrorReport(std::intptr_t reason);

} // namespace kestrelon
