// The serial port as the driver sees it: open, configure, read, write and the
// line state. CSerialPort is the only code that touches a tty; test doubles
// (CFakeSerialPort) implement the same interface to inject what a pseudo-terminal
// cannot produce: modem lines, line errors, refused rates, a stuck line.
#pragma once

#include "document/WinRecords.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace kestrelon {

// Purge flags, as the settings record's platform names them.
constexpr std::uint32_t PURGE_TXABORT = 0x01;
constexpr std::uint32_t PURGE_RXABORT = 0x02;
constexpr std::uint32_t PURGE_TXCLEAR = 0x04;
constexpr std::uint32_t PURGE_RXCLEAR = 0x08;

// What one ClearError pass reports besides the error bits.
struct CCommStatus {
    bool ctsHold = false;      // output waits for CTS (flow control on, CTS low)
    bool dsrHold = false;      // output waits for DSR
    bool rlsdHold = false;     // output waits for CD
    std::uint32_t inQueue = 0; // bytes waiting to be read
};

enum class PortWait {
    Readable, // bytes (or an end of file) are there
    TimedOut,
    Gone,   // hung up: the device went away
    Failed, // poll itself failed; try again later
};

// What a wait for room to write ended with.
enum class OutputWait {
    Ready, // the port takes bytes now
    Woken, // the wake-up descriptor was signalled
    TimedOut,
    Gone, // hung up: the device went away
};

// Modem line bits, with the values of the Linux TIOCM_ bits.
constexpr int MODEM_DTR = 0x002;
constexpr int MODEM_RTS = 0x004;
constexpr int MODEM_CTS = 0x020;
constexpr int MODEM_CD = 0x040;
constexpr int MODEM_RI = 0x080;
constexpr int MODEM_DSR = 0x100;

// A read or write error that means the device is no longer there (USB adapter
// pulled, pseudo-terminal master closed): retrying can never succeed.
bool IsDeviceGoneError(int error);

class ISerialPort {
public:
    virtual ~ISerialPort() = default;

    // Opens the device for this program alone; 0 or the errno.
    virtual int Open(const std::string& path) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;

    // The live settings, read back from the device into `dcb` (fields the device
    // does not know keep the last applied values).
    virtual bool GetState(DCB& dcb) = 0;
    // Applies a record and reads it back; a rate the device did not take (some
    // drivers quietly keep the old one) counts as refused.
    virtual bool SetState(const DCB& dcb) = 0;
    virtual bool SetupComm(std::uint32_t inQueue, std::uint32_t outQueue) = 0;
    virtual bool Purge(std::uint32_t flags) = 0;
    // Line errors since the last call as CE_ bits, the hold states and the
    // input queue size.
    virtual bool ClearError(std::uint32_t& errors, CCommStatus& status) = 0;

    // Waits up to timeoutMs for bytes to read.
    virtual PortWait WaitReadable(int timeoutMs) = 0;
    // Reads what is there, at most `size` bytes, without waiting: the count, 0
    // for an end of file, or -1 with `error` (EAGAIN: nothing there).
    virtual long Read(void* buffer, std::size_t size, int& error) = 0;
    // Writes all bytes within 120 ms + 40 ms per byte; false with `error`
    // (ETIMEDOUT when the line did not take them in time).
    virtual bool Write(const void* data, std::size_t size, int& error) = 0;

    // Writes what the port takes now, without waiting: the count, or -1 with
    // `error` (EAGAIN: no room). The default writes everything with Write.
    virtual long WriteSome(const void* data, std::size_t size, int& error);
    // Waits up to timeoutMs (-1: no limit) until the port takes output or
    // `wakeFd` (-1: none) becomes readable. The default only looks at wakeFd.
    virtual OutputWait WaitWritable(int timeoutMs, int wakeFd);
    // The descriptor a file transfer polls itself; -1 for a port without one.
    virtual int Handle() const { return -1; }

    // The modem lines now, as MODEM_ bits; false for a device that has none
    // (a pseudo-terminal). Ports without modem lines keep the defaults.
    virtual bool GetModemLines(int& /*bits*/) { return false; }
    // Raises or drops one output line (MODEM_DTR or MODEM_RTS).
    virtual bool SetModemLine(int /*bit*/, bool /*high*/) { return false; }
    // Starts or ends a break condition on the output.
    virtual bool SetBreak(bool /*on*/) { return false; }
    // Waits until the bytes the device still holds for output have left, up to
    // timeoutMs or until wakeFd becomes readable. Ready when they have.
    virtual OutputWait WaitOutputSent(int /*timeoutMs*/, int /*wakeFd*/) { return OutputWait::Ready; }
};

using SerialPortFactory = std::function<std::unique_ptr<ISerialPort>()>;

// A tty over termios. Exclusive: TIOCEXCL keeps other programs out and an
// advisory flock keeps out a second open by anyone, root included.
class CSerialPort : public ISerialPort {
public:
    CSerialPort() = default;
    ~CSerialPort() override;
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    int Open(const std::string& path) override;
    void Close() override;
    bool IsOpen() const override { return m_fd >= 0; }
    // The open tty, for a file transfer engine that polls the port itself.
    int Handle() const override { return m_fd; }
    int Descriptor() const { return m_fd; }
    bool GetState(DCB& dcb) override;
    bool SetState(const DCB& dcb) override;
    bool SetupComm(std::uint32_t inQueue, std::uint32_t outQueue) override;
    bool Purge(std::uint32_t flags) override;
    bool ClearError(std::uint32_t& errors, CCommStatus& status) override;
    PortWait WaitReadable(int timeoutMs) override;
    long Read(void* buffer, std::size_t size, int& error) override;
    bool Write(const void* data, std::size_t size, int& error) override;
    long WriteSome(const void* data, std::size_t size, int& error) override;
    OutputWait WaitWritable(int timeoutMs, int wakeFd) override;
    bool GetModemLines(int& bits) override;
    bool SetModemLine(int bit, bool high) override;
    bool SetBreak(bool on) override;
    OutputWait WaitOutputSent(int timeoutMs, int wakeFd) override;

private:
    struct Counters {
        int frame = 0, overrun = 0, parity = 0, brk = 0, bufOverrun = 0;
    };
    bool ReadCounters(Counters& counters);
    std::uint32_t CounterErrors();
    void ApplyModemLines(int raise, int drop);
    void WaitForOutputToDrain();

    int m_fd = -1;
    DCB m_applied{};                    // the last record SetState took
    std::atomic<bool> m_ctsFlow{false}; // CRTSCTS is on
    // False once TIOCMGET says "not a UART" (pty); the reader and the writer
    // both look at it.
    std::atomic<bool> m_hasModemLines{true};
    bool m_hasCounters = true;          // false once TIOCGICOUNT is unsupported
    Counters m_counters;                // baseline of the error deltas
};

} // namespace kestrelon
