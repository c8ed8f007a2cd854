// Protocol names and end texts of the transfers without a window.
#include "transfer/TransferOutcome.h"

#include "transfer/TransferCodes.h"

namespace kestrelon {

int TransferProtocolByName(std::string_view name)
{
    struct CName {
        std::string_view name;
        int protocol;
    };
    static constexpr CName kNames[] = {{"xmodem", PROTOCOL_XMODEM},
                                       {"xmodem1k", PROTOCOL_XMODEM_1K},
                                       {"ymodem", PROTOCOL_YMODEM},
                                       {"zim", PROTOCOL_XMODEM_ZIM},
                                       {"none", PROTOCOL_NONE}};
    for (const CName& known : kNames)
        if (known.name == name)
            return known.protocol;
    return -1;
}

bool TransferProtocolReceives(int protocol)
{
    return protocol >= 0 && protocol <= PROTOCOL_YMODEM;
}

const char* TransferFailureText(int result, int fileError)
{
    if (fileError == FILE_ERROR_ACCESS)
        return "Error on accessing the file !";
    if (fileError == FILE_ERROR_EMPTY)
        return "The selected file has zero length !";
    if (fileError >= 0)
        return "Unknown error occured !";
    switch (result) {
    case RESULT_TIMEOUT:
        return "The remote system does not answer (timeout) !";
    case RESULT_CANCELLED:
        return "Transfer cancelled by remote system !";
    case RESULT_LINE_LOST:
        return "The connection was lost during the transfer !";
    default:
        return "Transfer ended before the file was complete";
    }
}

} // namespace kestrelon
