// Fixed texts of connection and transfer error reports. "Occured" is spelled as
// users of earlier versions have always seen it, in logs they still grep.
#include "hub/ErrorTexts.h"

#include "document/Messages.h"

#include <cerrno>
#include <cstring>

namespace kestrelon {

std::string_view LineErrorText(std::uint32_t flags)
{
    switch (flags) {
    case CE_RXOVER:
        return "\r\n ***  Receive Queue Overflow Error ***\r\n";
    case CE_OVERRUN:
        return "\r\n ***  Receive Overrun Error ***\r\n";
    case CE_RXPARITY:
        return "\r\n ***  Receive Parity Error ***\r\n";
    case CE_FRAME:
        return "\r\n ***  Receive Framing Error ***\r\n";
    case CE_BREAK:
        return "\r\n ***  Break Detected ***\r\n";
    case CE_TXFULL:
        return "\r\n ***  TX Queue is full ***\r\n";
    default:
        return "\r\n ***  Unknown Error Occured ***\r\n";
    }
}

const std::string_view kPortFailureText =
    "COM port could not be opened or configured. Port is not available, in use or does not support one or more "
    "adjusted parameters (usually the Baud rate).";
std::string PortFailureDetail(std::uint32_t comPort, const std::string& path, int reason, int error)
{
    const std::string port = "COM" + std::to_string(comPort);
    if (path.empty())
        return port + ": no device has this number on this machine";
    std::string why;
    if (error == EBUSY)
        why = std::string(std::strerror(error)) + " \u2014 used by another program";
    else if (error == ENOTTY)
        why = "not a serial device";
    else if (reason == PF_SETTINGS_REFUSED)
        why = "the device refused the line settings" + (error != 0 ? " (" + std::string(std::strerror(error)) + ")" : "");
    else if (reason == PF_BUFFERS_REFUSED)
        why = "the device refused the buffer sizes";
    else
        why = error != 0 ? std::strerror(error) : "could not be opened";
    return port + " (" + path + "): " + why;
}

const std::string_view kPortFailureSetupButton = "Setup Data Communication";

CTransferErrorReport TransferErrorReport(std::intptr_t reason)
{
    switch (reason) {
    case TFE_ACCESS:
        return {"Error on accessing the file !", MessageBoxIcon::Exclamation};
    case TFE_ZERO_LENGTH:
        return {"The selected file has zero length !", MessageBoxIcon::Information};
    default:
        return {"Unknown error occured !", MessageBoxIcon::Exclamation};
    }
}

} // namespace kestrelon
