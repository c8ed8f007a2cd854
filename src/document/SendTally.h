// The bookkeeping of a sending thread's queue, shared by the serial writer and
// the IP sender: the bytes waiting, the paced bytes among them, how far the
// front block has gone, one overflow report per episode, and a count of
// discards that work in progress compares with to notice a cancel. Not locked:
// the owner's mutex guards it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kestrelon {

struct CSendTally {
    std::size_t queued = 0;
    std::size_t paced = 0;       // of `queued`: a paste, key or answer in progress
    std::size_t frontOffset = 0; // bytes of the front block already taken
    bool dropReported = false;
    bool roomWatched = false;    // someone waits for the queue to drain
    std::uint64_t epoch = 0;     // counts discards

    void Added(std::size_t count, bool isPaced)
    {
        queued += count;
        if (isPaced)
            paced += count;
    }
    // Bytes that left the queue; once it has drained to half of `limit` the
    // sender caught up, and a new drop is a new episode.
    void Removed(std::size_t count, bool isPaced, std::size_t limit)
    {
        queued -= count;
        if (isPaced)
            paced -= count;
        if (queued <= limit / 2)
            dropReported = false;
    }
    // A drop: true for the first one of an episode, the one to report.
    bool FirstDrop()
    {
        const bool first = !dropReported;
        dropReported = true;
        return first;
    }
    // Bytes that fit now without a drop.
    std::size_t Room(std::size_t limit) const { return queued < limit ? limit - queued : 0; }
    // True once when a watched queue has drained to half of `limit`: the owner
    // then tells the watcher, outside its lock.
    bool TakeRoomSignal(std::size_t limit)
    {
        if (!roomWatched || queued > limit / 2)
            return false;
        roomWatched = false;
        return true;
    }
    // Everything waiting was thrown away; returns how many bytes that was.
    std::size_t Cleared()
    {
        const std::size_t discarded = queued;
        queued = paced = frontOffset = 0;
        dropReported = false;
        ++epoch;
        return discarded;
    }
};

} // namespace kestrelon
