// Backpressure between a receiving thread (the serial reader, an IP connection)
// and the user-interface thread: a bounded number of received blocks may wait
// for the frame at once. Each block posted carries a share of the credit and
// gives it back when it is destroyed, handled or dropped, so the frame needs no
// extra call to keep data flowing. The bound keeps memory flat; a full credit
// stops the reader, which leaves the bytes to the kernel (and, with flow
// control, holds the sender).
#pragma once

#include "document/ByteBlock.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>

namespace kestrelon {

class CReceiveCredit {
public:
    explicit CReceiveCredit(std::size_t limit) : m_limit(limit) {}

    // Blocks while `limit` blocks are outstanding (then until half of them are
    // handled); false once stopped.
    bool WaitForRoom();
    // Releases a waiting thread for good.
    void Stop();
    std::size_t Outstanding() const;

    void Take();
    void Give();

private:
    std::mutex m_mutex; // only for waiting
    std::condition_variable m_room;
    const std::size_t m_limit;
    std::atomic<std::size_t> m_outstanding{0};
    std::atomic<bool> m_waiting{false};
    std::atomic<bool> m_stopped{false};
};

// A received block that holds one unit of its connection's credit. Made right
// after the read, so it is stamped with the time its bytes left the line.
class CCreditedBlock : public CByteBlock {
public:
    CCreditedBlock(const void* data, std::int32_t length, std::shared_ptr<CReceiveCredit> credit);
    ~CCreditedBlock() override;
    CCreditedBlock(const CCreditedBlock&) = delete;
    CCreditedBlock& operator=(const CCreditedBlock&) = delete;

private:
    std::shared_ptr<CReceiveCredit> m_credit;
};

} // namespace kestrelon
