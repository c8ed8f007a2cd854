// The bit layouts of the com-port option's modem and line state.
#include "hub/RemoteLineState.h"

#include "document/Messages.h"
#include "hub/ConnectionTexts.h"
#include "serial/SerialPort.h"

namespace kestrelon {

const std::string_view kRemoteRefusedText = "Remote port does not accept line settings";

std::string RemoteSerialPaneText(const std::string& host, std::uint32_t port, const DCB& dcb)
{
    const std::string local = SerialPaneText(0, dcb); // "COM0: 115200, 8N1"
    return "Remote serial port " + host + ":" + std::to_string(port) + local.substr(local.find(':'));
}

int RemoteModemBits(std::intptr_t state)
{
    // Server bits: CD 0x80, RI 0x40, DSR 0x20, CTS 0x10 (the low four are changes).
    static constexpr struct {
        int server;
        int local;
    } kLines[] = {{0x80, MODEM_CD},       {0x40, MODEM_RI},       {0x20, MODEM_DSR},
                  {0x10, MODEM_CTS},      {IP_REMOTE_DTR, MODEM_DTR}, {IP_REMOTE_RTS, MODEM_RTS}};
    int bits = 0;
    for (const auto& line : kLines)
        if ((state & line.server) != 0)
            bits |= line.local;
    return bits;
}

std::uint32_t RemoteLineErrors(std::intptr_t state)
{
    // Server bits: break 0x10, framing 0x08, parity 0x04, overrun 0x02.
    std::uint32_t flags = 0;
    if ((state & 0x10) != 0)
        flags |= CE_BREAK;
    if ((state & 0x08) != 0)
        flags |= CE_FRAME;
    if ((state & 0x04) != 0)
        flags |= CE_RXPARITY;
    if ((state & 0x02) != 0)
        flags |= CE_OVERRUN;
    return flags;
}

} // namespace kestrelon
