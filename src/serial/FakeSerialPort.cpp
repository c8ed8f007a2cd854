// CFakeSerialPort: the same contract as the tty port, played from memory.
#include "serial/FakeSerialPort.h"

#include "serial/DcbTermios.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <utility>

namespace kestrelon {

void CFakeSerialLine::Receive(const std::string& bytes)
{
    {
        std::lock_guard lock(m_mutex);
        m_inbound += bytes;
    }
    m_changed.notify_all();
}

void CFakeSerialLine::SetCts(bool high)
{
    std::lock_guard lock(m_mutex);
    m_cts = high;
    m_modemLines = high ? (m_modemLines | MODEM_CTS) : (m_modemLines & ~MODEM_CTS);
}

void CFakeSerialLine::SetInputLine(int bit, bool high)
{
    std::lock_guard lock(m_mutex);
    m_modemLines = high ? (m_modemLines | bit) : (m_modemLines & ~bit);
}

void CFakeSerialLine::RemoveModemLines()
{
    std::lock_guard lock(m_mutex);
    m_hasModemLines = false;
}

std::string CFakeSerialLine::Transcript() const
{
    std::lock_guard lock(m_mutex);
    return m_transcript;
}

std::vector<std::chrono::steady_clock::time_point> CFakeSerialLine::ActionTimes() const
{
    std::lock_guard lock(m_mutex);
    return m_actionTimes;
}

void CFakeSerialLine::AddErrors(std::uint32_t ceBits)
{
    std::lock_guard lock(m_mutex);
    m_errors |= ceBits;
}

void CFakeSerialLine::Unplug()
{
    {
        std::lock_guard lock(m_mutex);
        m_gone = true;
    }
    m_changed.notify_all();
}

void CFakeSerialLine::SetOpenError(int error)
{
    std::lock_guard lock(m_mutex);
    m_openError = error;
}

void CFakeSerialLine::RefuseRate(std::uint32_t rate)
{
    std::lock_guard lock(m_mutex);
    m_refusedRates.insert(rate);
}

void CFakeSerialLine::HoldWrites(bool hold)
{
    {
        std::lock_guard lock(m_mutex);
        m_holdWrites = hold;
    }
    m_changed.notify_all();
}

std::string CFakeSerialLine::Written() const
{
    std::lock_guard lock(m_mutex);
    return m_written;
}

std::string CFakeSerialLine::OpenedPath() const
{
    std::lock_guard lock(m_mutex);
    return m_path;
}

std::uint32_t CFakeSerialLine::LiveRate() const
{
    std::lock_guard lock(m_mutex);
    return m_live.BaudRate;
}

int CFakeSerialLine::OpenCount() const
{
    std::lock_guard lock(m_mutex);
    return m_openCount;
}

bool CFakeSerialLine::IsOpen() const
{
    std::lock_guard lock(m_mutex);
    return m_open;
}

int CFakeSerialLine::ClearErrorCalls() const
{
    std::lock_guard lock(m_mutex);
    return m_clearErrorCalls;
}

int CFakeSerialPort::Open(const std::string& path)
{
    std::lock_guard lock(m_line->m_mutex);
    if (m_line->m_openError != 0)
        return std::exchange(m_line->m_openError, 0);
    if (m_line->m_open)
        return EBUSY;
    m_line->m_open = m_open = true;
    m_line->m_gone = false;
    m_line->m_path = path;
    ++m_line->m_openCount;
    return 0;
}

void CFakeSerialPort::Close()
{
    if (!m_open)
        return;
    {
        std::lock_guard lock(m_line->m_mutex);
        m_line->m_open = m_open = false;
    }
    m_line->m_changed.notify_all();
}

bool CFakeSerialPort::IsOpen() const
{
    return m_open;
}

bool CFakeSerialPort::GetState(DCB& dcb)
{
    std::lock_guard lock(m_line->m_mutex);
    if (!m_open)
        return false;
    dcb = m_line->m_live;
    return true;
}

bool CFakeSerialPort::SetState(const DCB& dcb)
{
    std::lock_guard lock(m_line->m_mutex);
    if (!m_open || DcbToTermios(dcb).refusal != LineRefusal::None)
        return false;
    // Like a UART driver asked for a rate it cannot do: it keeps the old one
    // and says nothing, so only reading back shows the refusal.
    if (m_line->m_refusedRates.count(dcb.BaudRate) != 0)
        return false;
    m_line->m_live = dcb;
    return true;
}

bool CFakeSerialPort::SetupComm(std::uint32_t, std::uint32_t)
{
    return m_open;
}

bool CFakeSerialPort::Purge(std::uint32_t flags)
{
    std::lock_guard lock(m_line->m_mutex);
    if (!m_open)
        return false;
    if (flags & PURGE_RXCLEAR)
        m_line->m_inbound.clear();
    return true;
}

bool CFakeSerialPort::ClearError(std::uint32_t& errors, CCommStatus& status)
{
    std::lock_guard lock(m_line->m_mutex);
    ++m_line->m_clearErrorCalls;
    errors = 0;
    status = {};
    if (!m_open)
        return false;
    errors = std::exchange(m_line->m_errors, 0);
    const CLineSettings line = DcbToTermios(m_line->m_live);
    status.ctsHold = line.ctsFlow && !m_line->m_cts;
    status.inQueue = static_cast<std::uint32_t>(m_line->m_inbound.size());
    return true;
}

PortWait CFakeSerialPort::WaitReadable(int timeoutMs)
{
    std::unique_lock lock(m_line->m_mutex);
    m_line->m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                               [&] { return m_line->m_gone || !m_line->m_inbound.empty(); });
    if (m_line->m_gone)
        return PortWait::Gone;
    return m_line->m_inbound.empty() ? PortWait::TimedOut : PortWait::Readable;
}

long CFakeSerialPort::Read(void* buffer, std::size_t size, int& error)
{
    std::lock_guard lock(m_line->m_mutex);
    error = 0;
    if (m_line->m_gone) {
        error = EIO;
        return -1;
    }
    if (m_line->m_inbound.empty()) {
        error = EAGAIN;
        return -1;
    }
    const std::size_t n = std::min(size, m_line->m_inbound.size());
    std::memcpy(buffer, m_line->m_inbound.data(), n);
    m_line->m_inbound.erase(0, n);
    return static_cast<long>(n);
}

bool CFakeSerialPort::Write(const void* data, std::size_t size, int& error)
{
    std::unique_lock lock(m_line->m_mutex);
    error = 0;
    m_line->m_changed.wait(lock, [&] { return !m_line->m_holdWrites || m_line->m_gone || !m_open; });
    if (m_line->m_gone || !m_open) {
        error = EIO;
        return false;
    }
    m_line->m_written.append(static_cast<const char*>(data), size);
    m_line->m_transcript.append(static_cast<const char*>(data), size);
    return true;
}

long CFakeSerialPort::WriteSome(const void* data, std::size_t size, int& error)
{
    std::lock_guard lock(m_line->m_mutex);
    error = 0;
    if (m_line->m_gone || !m_open) {
        error = EIO;
        return -1;
    }
    if (m_line->m_holdWrites) {
        error = EAGAIN;
        return -1;
    }
    m_line->m_written.append(static_cast<const char*>(data), size);
    m_line->m_transcript.append(static_cast<const char*>(data), size);
    return static_cast<long>(size);
}

OutputWait CFakeSerialPort::WaitWritable(int timeoutMs, int wakeFd)
{
    // The line's condition cannot wait on a descriptor as well: look at the
    // wake-up between short waits.
    constexpr auto kSlice = std::chrono::milliseconds(2);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        {
            std::unique_lock lock(m_line->m_mutex);
            if (m_line->m_gone)
                return OutputWait::Gone;
            if (!m_line->m_holdWrites)
                return OutputWait::Ready;
            m_line->m_changed.wait_for(lock, kSlice);
        }
        pollfd p{wakeFd, POLLIN, 0};
        if (wakeFd >= 0 && poll(&p, 1, 0) > 0)
            return OutputWait::Woken;
        if (timeoutMs >= 0 && std::chrono::steady_clock::now() >= deadline)
            return OutputWait::TimedOut;
    }
}

bool CFakeSerialPort::GetModemLines(int& bits)
{
    std::lock_guard lock(m_line->m_mutex);
    bits = m_line->m_modemLines;
    return m_open && m_line->m_hasModemLines;
}

bool CFakeSerialPort::SetModemLine(int bit, bool high)
{
    std::lock_guard lock(m_line->m_mutex);
    if (!m_open || !m_line->m_hasModemLines)
        return false;
    m_line->m_modemLines = high ? (m_line->m_modemLines | bit) : (m_line->m_modemLines & ~bit);
    m_line->m_transcript += std::string("[") + (bit == MODEM_DTR ? "DTR=" : "RTS=") + (high ? "1]" : "0]");
    m_line->m_actionTimes.push_back(std::chrono::steady_clock::now());
    return true;
}

bool CFakeSerialPort::SetBreak(bool on)
{
    std::lock_guard lock(m_line->m_mutex);
    if (!m_open)
        return false;
    m_line->m_transcript += on ? "[BREAK+]" : "[BREAK-]";
    m_line->m_actionTimes.push_back(std::chrono::steady_clock::now());
    return true;
}

SerialPortFactory CFakeSerialPort::Factory(std::shared_ptr<CFakeSerialLine> line)
{
    return [line] { return std::make_unique<CFakeSerialPort>(line); };
}

} // namespace kestrelon
