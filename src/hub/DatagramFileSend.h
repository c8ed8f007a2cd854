// A plain file send ("None") over an IP connection: the file goes out in
// 1024-byte pieces (datagrams over UDP) through the connection's own sender,
// one at a time, on a thread of its own, while the connection's receiving
// thread goes on showing what the peer sends. A datagram socket has no flow
// control, so the pace is set here: a small gap between datagrams keeps a
// device's receive buffer from overflowing, and a sender that cannot get rid
// of a datagram ends the send.
#pragma once

#include "transfer/TransferObserver.h"

#include <atomic>
#include <cstddef>
#include <string>
#include <thread>

namespace kestrelon {

class CIpConnection;

class CDatagramFileSend {
public:
    // Time between two datagrams, and how long one may wait in the sender.
    static constexpr int GAP_MS = 2;
    static constexpr int SEND_LIMIT_MS = 5000;
    // Bytes a send over TCP may keep waiting in the connection's sender.
    static constexpr std::size_t STREAM_AHEAD = 16384;

    explicit CDatagramFileSend(CTransferObserver& observer);
    ~CDatagramFileSend();
    CDatagramFileSend(const CDatagramFileSend&) = delete;
    CDatagramFileSend& operator=(const CDatagramFileSend&) = delete;

    // Starts the thread; false while one still runs. The connection must outlive
    // the send (Join before stopping it). The last notification is the result.
    bool Start(CIpConnection& connection, std::string path);
    // Any thread; the send ends within one gap, quietly.
    void Cancel();
    void Join();

private:
    int Run(CIpConnection& connection, const std::string& path);
    // Waits until no more than `ahead` bytes wait in the sender: -1 then, else
    // the result that ends the send (a time-out, a cancel).
    int WaitForRoom(CIpConnection& connection, std::size_t ahead, int pollMs);
    // Waits `ms` or until a cancel; true when cancelled.
    bool WaitCancelled(int ms);

    CTransferObserver& m_observer;
    int m_cancelFd = -1;
    std::thread m_thread;
};

} // namespace kestrelon
