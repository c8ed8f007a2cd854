// Fixed texts of connection and transfer error reports. "Occured" is spelled as
// users of earlier versions have always seen it, in logs they still grep.
#include "hub/ErrorTexts.h"

#include "document/Messages.h"

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
