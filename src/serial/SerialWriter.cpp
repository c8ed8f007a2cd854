// CSerialWriter: the queue, its limit and the writing thread.
#include "serial/SerialWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace kestrelon {

CSerialWriter::CSerialWriter(std::size_t limit) : m_limit(limit)
{
}

CSerialWriter::~CSerialWriter()
{
    Stop();
}

CSerialWriter::QueueResult CSerialWriter::Queue(const void* data, std::size_t length)
{
    if (data == nullptr || length == 0)
        return QueueResult::Queued;
    bool wasEmpty = false;
    {
        std::lock_guard lock(m_mutex);
        if (length > m_limit || m_queued > m_limit - length) {
            // Reported once per episode, as a full transmit queue.
            const bool first = !m_dropReported;
            m_dropReported = true;
            return first ? QueueResult::FirstDropped : QueueResult::Dropped;
        }
        wasEmpty = m_queued == 0;
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        m_queue.emplace_back(bytes, bytes + length);
        m_queued += length;
    }
    if (wasEmpty)
        m_wake.Signal();
    return QueueResult::Queued;
}

std::size_t CSerialWriter::Discard()
{
    std::size_t discarded = 0;
    {
        std::lock_guard lock(m_mutex);
        discarded = m_queued;
        m_queue.clear();
        m_frontOffset = 0;
        m_queued = 0;
        m_dropReported = false;
        ++m_epoch;
    }
    m_wake.Signal();
    return discarded;
}

std::size_t CSerialWriter::QueuedBytes() const
{
    std::lock_guard lock(m_mutex);
    return m_queued;
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

bool CSerialWriter::TakeChunk(std::vector<std::uint8_t>& chunk, std::uint64_t& epoch)
{
    for (;;) {
        // Clear first, then look: a signal given after the look wakes the wait.
        m_wake.Clear();
        {
            std::lock_guard lock(m_mutex);
            if (m_stop)
                return false;
            if (!m_queue.empty()) {
                chunk.clear();
                for (auto it = m_queue.begin(); it != m_queue.end() && chunk.size() < CHUNK; ++it) {
                    const std::size_t skip = it == m_queue.begin() ? m_frontOffset : 0;
                    const std::size_t take = std::min(it->size() - skip, CHUNK - chunk.size());
                    chunk.insert(chunk.end(), it->begin() + static_cast<std::ptrdiff_t>(skip),
                                 it->begin() + static_cast<std::ptrdiff_t>(skip + take));
                }
                epoch = m_epoch;
                return true;
            }
        }
        m_wake.Wait(-1);
    }
}

bool CSerialWriter::Consume(std::size_t count, std::uint64_t epoch)
{
    std::lock_guard lock(m_mutex);
    if (m_stop || m_epoch != epoch)
        return false;
    m_queued -= count;
    while (count > 0) {
        auto& front = m_queue.front();
        const std::size_t take = std::min(front.size() - m_frontOffset, count);
        m_frontOffset += take;
        count -= take;
        if (m_frontOffset == front.size()) {
            m_queue.pop_front();
            m_frontOffset = 0;
        }
    }
    // The line caught up: a new drop is a new episode.
    if (m_queued <= m_limit / 2)
        m_dropReported = false;
    return true;
}

bool CSerialWriter::StillWanted(std::uint64_t epoch)
{
    m_wake.Clear();
    std::lock_guard lock(m_mutex);
    return !m_stop && m_epoch == epoch;
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
    std::uint64_t epoch = 0;
    while (TakeChunk(chunk, epoch))
        WriteChunk(port, chunk, epoch);
}

} // namespace kestrelon
