// CSerialWriter: the queue, its limit and the writing thread.
#include "serial/SerialWriter.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace kestrelon {

CSerialWriter::CSerialWriter(std::size_t limit) : m_limit(limit)
{
}

CSerialWriter::~CSerialWriter()
{
    Stop();
}

CSerialWriter::QueueResult CSerialWriter::Queue(const void* data, std::size_t length, bool paced)
{
    if (data == nullptr || length == 0)
        return QueueResult::Queued;
    bool wasEmpty = false;
    {
        std::lock_guard lock(m_mutex);
        if (length > m_limit || m_tally.queued > m_limit - length) {
            // Reported once per episode, as a full transmit queue.
            return m_tally.FirstDrop() ? QueueResult::FirstDropped : QueueResult::Dropped;
        }
        wasEmpty = m_queue.empty();
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        m_queue.push_back(Entry{{bytes, bytes + length}, std::nullopt, 0, paced});
        m_tally.Added(length, paced);
    }
    if (wasEmpty)
        m_wake.Signal();
    return QueueResult::Queued;
}

void CSerialWriter::QueueAction(LineAction action, int waitMs)
{
    bool wasEmpty = false;
    {
        std::lock_guard lock(m_mutex);
        wasEmpty = m_queue.empty();
        m_queue.push_back(Entry{{}, action, waitMs, false});
    }
    if (wasEmpty)
        m_wake.Signal();
}

void CSerialWriter::SetPacing(int charDelayMs, int lineDelayMs)
{
    std::lock_guard lock(m_mutex);
    m_pacing = CPacing{charDelayMs, lineDelayMs};
}

std::size_t CSerialWriter::PacedBytes() const
{
    std::lock_guard lock(m_mutex);
    return m_tally.paced;
}

std::size_t CSerialWriter::Discard()
{
    std::size_t discarded = 0;
    bool room = false;
    {
        std::lock_guard lock(m_mutex);
        m_queue.clear();
        discarded = m_tally.Cleared();
        room = m_tally.TakeRoomSignal(m_limit);
    }
    m_wake.Signal();
    if (room && m_roomHook)
        m_roomHook();
    return discarded;
}

std::size_t CSerialWriter::Room() const
{
    std::lock_guard lock(m_mutex);
    return m_tally.Room(m_limit);
}

void CSerialWriter::WatchRoom()
{
    bool room = false;
    {
        std::lock_guard lock(m_mutex);
        m_tally.roomWatched = true;
        room = m_tally.TakeRoomSignal(m_limit);
    }
    if (room && m_roomHook)
        m_roomHook();
}

std::size_t CSerialWriter::QueuedBytes() const
{
    std::lock_guard lock(m_mutex);
    return m_tally.queued;
}

void CSerialWriter::Start(ISerialPort& port)
{
    Stop();
    {
        std::lock_guard lock(m_mutex);
        m_stop = false;
    }
    m_thread = std::thread([this, &port] { Run(port); });
}

void CSerialWriter::Stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.Signal();
    if (m_thread.joinable())
        m_thread.join();
}

bool CSerialWriter::TakeWork(std::vector<std::uint8_t>& chunk, Work& work)
{
    for (;;) {
        // Clear first, then look: a signal given after the look wakes the wait.
        m_wake.Clear();
        {
            std::lock_guard lock(m_mutex);
            if (m_stop)
                return false;
            if (!m_queue.empty()) {
                work = Work{};
                work.epoch = m_tally.epoch;
                const Entry& front = m_queue.front();
                chunk.clear();
                if (front.action) {
                    work.action = front.action;
                    work.waitMs = front.waitMs;
                } else {
                    TakeBytes(chunk, work);
                }
                return true;
            }
        }
        m_wake.Wait(-1);
    }
}

void CSerialWriter::TakeBytes(std::vector<std::uint8_t>& chunk, Work& work)
{
    const Entry& front = m_queue.front();
    if (front.paced) {
        const std::size_t available = std::min(front.bytes.size() - m_tally.frontOffset, CHUNK);
        const std::uint8_t* bytes = front.bytes.data() + m_tally.frontOffset;
        std::optional<std::uint8_t> next;
        if (m_tally.frontOffset + available < front.bytes.size())
            next = bytes[available];
        else if (m_queue.size() > 1 && !m_queue[1].bytes.empty())
            next = m_queue[1].bytes.front();
        const CPacedStretch stretch = NextPacedStretch(m_pacing, bytes, available, next);
        chunk.assign(bytes, bytes + stretch.length);
        work.pauseMs = stretch.pauseMs;
        return;
    }
    for (auto it = m_queue.begin(); it != m_queue.end() && chunk.size() < CHUNK; ++it) {
        if (it->action || it->paced)
            break; // they wait for the bytes before them
        const std::size_t skip = it == m_queue.begin() ? m_tally.frontOffset : 0;
        const std::size_t take = std::min(it->bytes.size() - skip, CHUNK - chunk.size());
        chunk.insert(chunk.end(), it->bytes.begin() + static_cast<std::ptrdiff_t>(skip),
                     it->bytes.begin() + static_cast<std::ptrdiff_t>(skip + take));
    }
}

bool CSerialWriter::PopAction(std::uint64_t epoch)
{
    std::lock_guard lock(m_mutex);
    if (m_stop || m_tally.epoch != epoch || m_queue.empty())
        return false;
    m_queue.pop_front();
    return true;
}

bool CSerialWriter::Pause(int ms, std::uint64_t epoch)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        if (!StillWanted(epoch))
            return false;
        const auto now = Clock::now();
        if (now >= deadline)
            return true;
        // Rounded up: a pause is never cut short. Woken early by more bytes
        // being queued: look again and wait on.
        m_wake.Wait(static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count()));
    }
}

void CSerialWriter::DoAction(ISerialPort& port, const Work& work)
{
    if (*work.action == LineAction::Wait) {
        if (Pause(work.waitMs, work.epoch))
            PopAction(work.epoch);
        return;
    }
    // The bytes before the action must be on the wire before the line moves.
    for (;;) {
        const OutputWait sent = port.WaitOutputSent(DRAIN_WAIT_MS, m_wake.Fd());
        if (sent != OutputWait::Woken)
            break;
        if (!StillWanted(work.epoch))
            return;
    }
    switch (*work.action) {
    case LineAction::DtrLow: port.SetModemLine(MODEM_DTR, false); break;
    case LineAction::DtrHigh: port.SetModemLine(MODEM_DTR, true); break;
    case LineAction::RtsLow: port.SetModemLine(MODEM_RTS, false); break;
    case LineAction::RtsHigh: port.SetModemLine(MODEM_RTS, true); break;
    case LineAction::Break:
        if (port.SetBreak(true)) {
            Pause(BREAK_MS, work.epoch);
            port.SetBreak(false); // ended also when the queue was discarded
        }
        break;
    case LineAction::Wait: break;
    case LineAction::Script: break; // the window runs scripts; none reach the port
    }
    PopAction(work.epoch);
}

bool CSerialWriter::Consume(std::size_t count, std::uint64_t epoch)
{
    bool room = false;
    {
        std::lock_guard lock(m_mutex);
        if (m_stop || m_tally.epoch != epoch)
            return false;
        while (count > 0) {
            auto& front = m_queue.front();
            const std::size_t take = std::min(front.bytes.size() - m_tally.frontOffset, count);
            m_tally.frontOffset += take;
            count -= take;
            m_tally.Removed(take, front.paced, m_limit);
            if (m_tally.frontOffset == front.bytes.size()) {
                m_queue.pop_front();
                m_tally.frontOffset = 0;
            }
        }
        room = m_tally.TakeRoomSignal(m_limit);
    }
    if (room && m_roomHook)
        m_roomHook();
    return true;
}

bool CSerialWriter::StillWanted(std::uint64_t epoch)
{
    m_wake.Clear();
    std::lock_guard lock(m_mutex);
    return !m_stop && m_tally.epoch == epoch;
}

void CSerialWriter::WriteChunk(ISerialPort& port, const std::vector<std::uint8_t>& chunk, std::uint64_t epoch)
{
    std::size_t done = 0;
    while (done < chunk.size()) {
        int error = 0;
        const long n = port.WriteSome(chunk.data() + done, chunk.size() - done, error);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            if (!Consume(static_cast<std::size_t>(n), epoch))
                return;
            continue;
        }
        if (n < 0 && error != EAGAIN && error != EINTR) {
            // The device refuses output for good (it went away): what waits
            // can never leave. The reader reports the loss.
            Discard();
            return;
        }
        switch (port.WaitWritable(-1, m_wake.Fd())) {
        case OutputWait::Woken:
            if (!StillWanted(epoch))
                return;
            break; // only more bytes were queued
        case OutputWait::Gone:
            Discard();
            return;
        case OutputWait::Ready:
        case OutputWait::TimedOut:
            break;
        }
    }
}

void CSerialWriter::Run(ISerialPort& port)
{
    std::vector<std::uint8_t> chunk;
    chunk.reserve(CHUNK);
    Work work;
    while (TakeWork(chunk, work)) {
        if (work.action) {
            DoAction(port, work);
            continue;
        }
        WriteChunk(port, chunk, work.epoch);
        if (work.pauseMs > 0)
            Pause(work.pauseMs, work.epoch);
    }
}

} // namespace kestrelon
