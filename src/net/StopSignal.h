// The stop of one IP connection run, and name look-ups that never keep a stop
// waiting. getaddrinfo and getnameinfo cannot be interrupted, so a look-up runs
// on a thread of its own that shares only its result slot: when the stop comes
// first the waiting thread leaves at once and the late result is dropped.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace kestrelon {

class CStopSignal {
public:
    // Raised once; every wait on it ends.
    void Raise();
    bool Raised() const;
    // Sleeps up to `ms`; true when raised meanwhile.
    bool WaitFor(int ms);

    // Runs `work` on a thread of its own and returns its result, or nothing when
    // the signal is raised first (at once, without waiting for the work). The
    // work must own everything it touches: it may outlive its caller.
    template <typename R> std::optional<R> RunAbandonable(std::function<R()> work);

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_raised = false;
};

template <typename R> std::optional<R> CStopSignal::RunAbandonable(std::function<R()> work)
{
    struct Slot {
        std::mutex mutex;
        std::condition_variable done;
        std::optional<R> result;
    };
    auto slot = std::make_shared<Slot>();
    // The look-up thread is detached on purpose: it holds only the slot, and a
    // stop must never wait for the resolver.
    std::thread([slot, work = std::move(work)] {
        R result = work();
        std::lock_guard lock(slot->mutex);
        slot->result = std::move(result);
        slot->done.notify_all();
    }).detach();
    // The slot's wait cannot see the stop's condition: look at the stop between
    // short waits (a stop is noticed within one of them).
    constexpr auto kSlice = std::chrono::milliseconds(5);
    std::unique_lock lock(slot->mutex);
    while (!slot->result) {
        if (Raised())
            return std::nullopt;
        slot->done.wait_for(lock, kSlice);
    }
    return std::move(slot->result);
}

} // namespace kestrelon
