// The line of a transfer from a script to a remote serial port: the TCP
// connection to the server speaks Telnet, the transfer engine plain bytes. A
// relay thread joins the two through a socket pair and sends the line
// settings once the server takes them.
#pragma once

#include "net/IP6Socket.h"
#include "net/RemoteSerialLine.h"

#include <thread>

namespace kestrelon {

class CRemoteTransferLine {
public:
    CRemoteTransferLine();
    ~CRemoteTransferLine();
    CRemoteTransferLine(const CRemoteTransferLine&) = delete;
    CRemoteTransferLine& operator=(const CRemoteTransferLine&) = delete;

    // Takes the connected socket `fd` (closed with this object) and returns
    // the descriptor the transfer uses, or -1 when no socket pair could be made.
    int Start(int fd, std::uint32_t baud);

private:
    void Stop();

    CIP6Socket m_socket;
    CRemoteSerialLine m_line;
    int m_wake = -1;
    int m_ends[2] = {-1, -1}; // the relay's end and the transfer's
    std::thread m_thread;
};

} // namespace kestrelon
