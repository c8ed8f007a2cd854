// The received bytes a script has not looked at yet, handed from the I/O side
// to the script's thread, and the script's waits: each sleeps on a condition
// with a deadline, woken by new data or a stop, never by polling.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

namespace kestrelon {

// An expect looks at no more than the newest this many unmatched bytes: a
// device that floods without ever printing the awaited text must not fill the
// memory. Older bytes are dropped (they could never be the start of a match
// that a line-oriented pattern looks for).
constexpr std::size_t SCRIPT_EXPECT_WINDOW = 256 * 1024;

class CScriptInbox {
public:
    using Clock = std::chrono::steady_clock;
    enum class EWait { Data, Timeout, Stopped, Closed };

    CScriptInbox();
    // A new script: nothing received yet, not stopped, the line open.
    void Reset();
    // From the I/O side: appends, dropping the oldest beyond the window. No
    // allocation: the buffer is reserved once.
    void Feed(const std::uint8_t* data, std::size_t length);
    // The line went away: waits for data end at once.
    void Close();
    // Wakes every wait for good.
    void Stop();
    bool IsStopped() const;

    // Moves what arrived into `into` (Data), or waits for it until `deadline`.
    EWait Take(std::string& into, Clock::time_point deadline);
    // Waits until `deadline` or a stop; true when the deadline came.
    bool Sleep(Clock::time_point deadline);

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::string m_pending;
    bool m_stopped = false;
    bool m_closed = false;
};

} // namespace kestrelon
