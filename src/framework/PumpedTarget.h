// A message target whose messages are handled when its owner pumps it.
// The program's frame pumps it from the user-interface event loop; tests pump it
// by hand. Send blocks the calling thread until the pumping thread has handled
// the message; a Send from the pumping thread itself is handled at once.
#pragma once

#include "framework/MessageCarrier.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace kestrelon {

class CPumpedTarget : public IMessageTarget {
public:
    using Handler = std::function<std::intptr_t(CMessage&)>;

    explicit CPumpedTarget(Handler handler = {});
    ~CPumpedTarget() override;

    CPumpedTarget(const CPumpedTarget&) = delete;
    CPumpedTarget& operator=(const CPumpedTarget&) = delete;

    void SetHandler(Handler handler);
    // Called when a message arrives from another thread, so an event loop can wake
    // and pump. Runs on the posting thread.
    void SetWakeup(std::function<void()> wakeup);
    // The thread that pumps; Send from it is handled directly.
    void SetPumpThread(std::thread::id id);

    void Post(CMessage message) override;
    std::intptr_t Send(CMessage message) override;

    // Handles every message queued now; returns how many were handled.
    int Pump();
    // Handles the messages queued when called and no more, so a sender that
    // keeps posting cannot hold the pumping thread's event loop; returns how
    // many were handled. What arrives meanwhile wakes the loop again.
    int PumpQueued();
    // Pumps until `predicate` holds or `timeout` passes; true when it held.
    bool PumpUntil(const std::function<bool()>& predicate,
                   std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));
    // Refuses further messages and releases every thread blocked in Send.
    void Close();
    std::size_t Pending() const;

private:
    struct Entry {
        CMessage message;
        bool synchronous = false;
        bool done = false;
        std::intptr_t result = 0;
    };

    std::intptr_t Handle(CMessage& message);
    int PumpAtMost(int limit); // a negative limit: until the queue is empty

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::shared_ptr<Entry>> m_queue;
    Handler m_handler;
    std::function<void()> m_wakeup;
    std::thread::id m_pumpThread;
    bool m_closed = false;
};

} // namespace kestrelon
