// Parses the Terminal view's received bytes on a thread of its own, so a flood
// costs the window's thread a copy instead of the emulation. The screen changes
// hands: the worker owns it while bytes wait, the caller once Screen() returned.
#pragma once

#include "screens/TerminalScreen.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace kestrelon {

class CTerminalFeed {
public:
    // Bytes waiting beyond this make Post wait for the worker: memory stays
    // bounded, and the wait is the time to parse them (a few milliseconds).
    static constexpr std::size_t MAX_BACKLOG = std::size_t{1} << 20;
    // Bytes that gather before an idle worker is woken without being asked for
    // the screen: a few milliseconds of a flood, a few hundred microseconds to parse.
    static constexpr std::size_t WAKE_BATCH = std::size_t{64} << 10;
    // Bytes parsed between two yields of the worker's core.
    static constexpr std::size_t YIELD_PIECE = std::size_t{16} << 10;

    explicit CTerminalFeed(CTerminalScreen& screen);
    ~CTerminalFeed();
    CTerminalFeed(const CTerminalFeed&) = delete;
    CTerminalFeed& operator=(const CTerminalFeed&) = delete;

    // Queues bytes for the screen, in order. After a Post the caller must not
    // touch the screen until Screen() hands it back.
    void Post(const std::uint8_t* data, std::size_t length);
    // Waits until every posted byte has been parsed and returns the screen, the
    // caller's to read and change until its next Post.
    CTerminalScreen& Screen();
    // True while posted bytes may still be unparsed.
    bool Pending() const;

private:
    void Run();
    void ParseGivingWay();
    void WaitIdle(std::unique_lock<std::mutex>& lock);
    void AskWorker();

    CTerminalScreen& m_screen;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake; // the worker: bytes or the end
    std::condition_variable m_idle; // the caller: everything parsed
    std::vector<std::uint8_t> m_waiting;
    std::vector<std::uint8_t> m_parsing; // the worker's, swapped with m_waiting
    bool m_busy = false;                 // the worker holds the screen
    bool m_asked = false;                // the worker was woken for the bytes waiting
    bool m_stop = false;
    std::thread m_worker;
};

} // namespace kestrelon
