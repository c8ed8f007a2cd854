// The output side of an open serial port: a thread of its own that writes the
// queued bytes in order, in non-blocking pieces, waiting for room beside a
// wake-up. A line held by flow control therefore never holds up the reader,
// and a close ends a held write at once instead of after its time-out.
#pragma once

#include "serial/SerialPort.h"
#include "serial/WakeEvent.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace kestrelon {

class CSerialWriter {
public:
    // Bytes handed to the port in one call.
    static constexpr std::size_t CHUNK = 4096;

    explicit CSerialWriter(std::size_t limit);
    ~CSerialWriter();
    CSerialWriter(const CSerialWriter&) = delete;
    CSerialWriter& operator=(const CSerialWriter&) = delete;

    enum class QueueResult {
        Queued,
        Dropped,      // did not fit; an overflow already reported in this episode
        FirstDropped, // did not fit; the first drop since the queue last had room
    };
    // Any thread. Bytes wait here until a port is started (or discarded).
    QueueResult Queue(const void* data, std::size_t length);
    // Any thread: throws away what waits, ends a write in progress, and returns
    // the number of bytes that were not sent.
    std::size_t Discard();
    std::size_t QueuedBytes() const;

    // Starts writing to `port`, which must outlive Stop().
    void Start(ISerialPort& port);
    // Ends the thread (at once, whatever it was waiting for); what is queued
    // stays queued for the next Start.
    void Stop();

private:
    void Run(ISerialPort& port);
    // Copies the first bytes into `chunk`; false when the thread must end.
    bool TakeChunk(std::vector<std::uint8_t>& chunk, std::uint64_t& epoch);
    // Removes `count` written bytes from the front; false when the queue was
    // discarded meanwhile (or the thread must end).
    bool Consume(std::size_t count, std::uint64_t epoch);
    void WriteChunk(ISerialPort& port, const std::vector<std::uint8_t>& chunk, std::uint64_t epoch);
    bool StillWanted(std::uint64_t epoch);

    const std::size_t m_limit;
    mutable std::mutex m_mutex;
    std::deque<std::vector<std::uint8_t>> m_queue;
    std::size_t m_frontOffset = 0; // bytes of the front block already written
    std::size_t m_queued = 0;
    std::uint64_t m_epoch = 0; // counts discards
    bool m_dropReported = false;
    bool m_stop = false;
    CWakeEvent m_wake;
    std::thread m_thread;
};

} // namespace kestrelon
