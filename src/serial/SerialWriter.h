// The output side of an open serial port: a thread of its own that writes the
// queued bytes in order, in non-blocking pieces, waiting for room beside a
// wake-up. A line held by flow control therefore never holds up the reader,
// and a close ends a held write at once instead of after its time-out. Line
// actions (DTR, RTS, break, waits) and paced bytes run here too, in order with
// the bytes around them, so no pause ever falls on the window's thread.
#pragma once

#include "document/DecodeText.h"
#include "document/Pacing.h"
#include "document/SendTally.h"
#include "serial/SerialPort.h"
#include "serial/WakeEvent.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
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
    // `paced` bytes leave one at a time with the pauses of SetPacing.
    QueueResult Queue(const void* data, std::size_t length, bool paced = false);
    // Any thread: a line action, done once the bytes queued before it have
    // left the device; `waitMs` is the length of a Wait.
    void QueueAction(LineAction action, int waitMs = 0);
    // The pause after each paced byte, and the one added after a line end.
    void SetPacing(int charDelayMs, int lineDelayMs);
    // Paced bytes not yet written (a paste in progress).
    std::size_t PacedBytes() const;
    // Any thread: throws away what waits, ends a write in progress, and returns
    // the number of bytes that were not sent.
    std::size_t Discard();
    std::size_t QueuedBytes() const;
    // Bytes that Queue takes now without a drop.
    std::size_t Room() const;
    // Set before Start: called (on any thread) once after each WatchRoom, when
    // the queue has drained to half its limit, or at once when it has already.
    void SetRoomHook(std::function<void()> hook) { m_roomHook = std::move(hook); }
    void WatchRoom();

    // Starts writing to `port`, which must outlive Stop().
    void Start(ISerialPort& port);
    // Ends the thread (at once, whatever it was waiting for); what is queued
    // stays queued for the next Start.
    void Stop();

    // How long a line action waits for earlier bytes to leave the device: a
    // line held by flow control must not keep a reset sequence back for ever.
    static constexpr int DRAIN_WAIT_MS = 2000;
    static constexpr int BREAK_MS = 250;

private:
    struct Entry {
        std::vector<std::uint8_t> bytes;
        std::optional<LineAction> action;
        int waitMs = 0;
        bool paced = false;
    };
    // What the thread does next: write `chunk` (a paced stretch, then pause),
    // or do an action.
    struct Work {
        std::optional<LineAction> action;
        int waitMs = 0;
        int pauseMs = 0; // after a paced stretch
        std::uint64_t epoch = 0;
    };

    void Run(ISerialPort& port);
    // Copies the next work (and its bytes into `chunk`); false when the thread
    // must end.
    bool TakeWork(std::vector<std::uint8_t>& chunk, Work& work);
    void TakeBytes(std::vector<std::uint8_t>& chunk, Work& work);
    void DoAction(ISerialPort& port, const Work& work);
    // Waits `ms` unless the queue is discarded or the thread stopped first.
    bool Pause(int ms, std::uint64_t epoch);
    bool PopAction(std::uint64_t epoch);
    // Removes `count` written bytes from the front; false when the queue was
    // discarded meanwhile (or the thread must end).
    bool Consume(std::size_t count, std::uint64_t epoch);
    void WriteChunk(ISerialPort& port, const std::vector<std::uint8_t>& chunk, std::uint64_t epoch);
    bool StillWanted(std::uint64_t epoch);

    const std::size_t m_limit;
    mutable std::mutex m_mutex;
    std::deque<Entry> m_queue;
    CSendTally m_tally; // frontOffset: bytes of the front block already written
    CPacing m_pacing;
    bool m_stop = false;
    CWakeEvent m_wake;
    std::function<void()> m_roomHook;
    std::thread m_thread;
};

} // namespace kestrelon
