// The one sending thread of an IP connection. Bytes leave in the order they were
// handed over, whoever handed them (typed keys, pastes, answers), and the
// user-interface thread never waits on the network. What waits is bounded: a
// peer that reads slowly makes further bytes drop, with one report per episode.
// Paced bytes and waits run here too, so a slow paste never holds the window;
// every pause ends early on a cancel or a stop.
#pragma once

#include "document/Pacing.h"
#include "document/SendTally.h"
#include "net/IP6Socket.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace kestrelon {

class CIpSender {
public:
    // Sends one queued piece; throws CIP6SocketException on failure.
    using Deliver = std::function<void(CIP6Socket& socket, const std::vector<std::uint8_t>& bytes)>;
    // Told about a failed piece (not about pieces for a socket shut down locally).
    using Failed = std::function<void(CIP6Socket& socket, const CIP6SocketException& error)>;

    // Consecutive TCP pieces are merged up to this size: one write for a paste
    // instead of one per key, without changing the byte order.
    static constexpr std::size_t MERGE_LIMIT = 64 * 1024;

    enum class QueueResult {
        Queued,
        NotRunning,   // no sending thread: nothing kept
        Dropped,      // did not fit (whole or in part); already reported in this episode
        FirstDropped, // did not fit (whole or in part); the first drop since the queue last had room
    };

    // `limit`: bytes that may wait (the piece being sent not counted).
    explicit CIpSender(std::size_t limit = std::size_t{1} << 20) : m_limit(limit) {}
    ~CIpSender();
    CIpSender(const CIpSender&) = delete;
    CIpSender& operator=(const CIpSender&) = delete;

    // `merge`: pieces may be joined (a byte stream), and a failure drops what
    // waits for the same socket; false keeps each piece whole (one datagram each)
    // and a failure costs only its own piece.
    void Start(Deliver deliver, Failed failed, bool merge);
    // `paced` bytes leave in the stretches and with the pauses of SetPacing.
    QueueResult Queue(std::shared_ptr<CIP6Socket> socket, const void* data, std::size_t length,
                      bool paced = false);
    // A pause of `ms` in order with the bytes queued around it (kept apart
    // from the byte limit: it holds no bytes).
    QueueResult QueueWait(std::shared_ptr<CIP6Socket> socket, int ms);
    void SetPacing(const CPacing& pacing);
    // Paced bytes not yet sent (a paste in progress).
    std::size_t PacedBytes() const;
    // Throws away what waits (bytes and waits), ends a pause in progress, and
    // returns the number of bytes that were not sent.
    std::size_t Discard();
    void SetLimit(std::size_t limit);
    // Drops whatever still waits and joins the thread; a send blocked in the
    // kernel must have been woken by shutting its socket down first.
    void Stop();
    std::size_t QueuedBytes() const;
    // Bytes that Queue takes now without a drop.
    std::size_t Room() const;
    // Set before Start: called (on any thread) once after each WatchRoom, when
    // the queue has drained to half its limit, or at once when it has already.
    void SetRoomHook(std::function<void()> hook) { m_roomHook = std::move(hook); }
    void WatchRoom();

private:
    struct Piece {
        std::shared_ptr<CIP6Socket> socket;
        std::vector<std::uint8_t> bytes;
        bool paced = false;
        int waitMs = -1; // a wait instead of bytes when >= 0
    };
    // What the thread does next: send `piece.bytes`, then pause `pauseMs`.
    struct Work {
        Piece piece;
        int pauseMs = 0;
        std::uint64_t epoch = 0;
    };

    void Run();
    bool NextWork(Work& work);
    void TakeUnpaced(Piece& piece);
    int TakePacedStretch(Piece& piece);
    void SendPiece(const Piece& piece);
    // Waits `ms` unless the queue is discarded or the thread stopped first.
    void Pause(int ms, std::uint64_t epoch);
    void NotifyRoom();

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Piece> m_queue;
    CSendTally m_tally; // frontOffset: bytes of a paced front piece already taken
    std::size_t m_limit;
    CPacing m_pacing;
    bool m_stopping = false;
    bool m_merge = true;
    Deliver m_deliver;
    Failed m_failed;
    std::function<void()> m_roomHook;
    std::thread m_thread;
};

} // namespace kestrelon
