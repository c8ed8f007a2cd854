// A serial port in memory, for what a pseudo-terminal cannot show: modem lines
// and hold states, line errors, rates a device refuses, a line that takes no
// output, a device that disappears. Tests keep the shared CFakeSerialLine and
// play the device through it while the driver owns the port object.
#pragma once

#include "serial/SerialPort.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace kestrelon {

// The device side of a fake port; every member is guarded by its mutex.
class CFakeSerialLine {
public:
    // --- played by the test ---------------------------------------------------
    void Receive(const std::string& bytes); // bytes arrive from the device
    void SetCts(bool high);                 // CTS line level
    void AddErrors(std::uint32_t ceBits);   // line errors since the last ClearError
    void Unplug();                          // the device goes away
    void SetOpenError(int error);           // the next Open fails with it
    void RefuseRate(std::uint32_t rate);    // SetState with this rate keeps the old one
    void HoldWrites(bool hold);             // writes wait (a line held by flow control)
    void SetInputLine(int bit, bool high);  // MODEM_DSR, MODEM_CD or MODEM_RI level
    void RemoveModemLines();                // the device has none (a pseudo-terminal)

    // --- observed by the test -------------------------------------------------
    std::string Written() const;
    std::string OpenedPath() const;
    std::uint32_t LiveRate() const;
    int OpenCount() const;
    bool IsOpen() const;
    int ClearErrorCalls() const;
    // The bytes written with the line actions between them in brackets:
    // "[DTR=0]", "[RTS=1]", "[BREAK+]" (break on), "[BREAK-]" (break off).
    std::string Transcript() const;
    // When each bracketed action of the transcript happened, in order.
    std::vector<std::chrono::steady_clock::time_point> ActionTimes() const;

private:
    friend class CFakeSerialPort;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::string m_inbound;
    std::string m_written;
    std::string m_transcript;
    std::vector<std::chrono::steady_clock::time_point> m_actionTimes;
    int m_modemLines = MODEM_DTR | MODEM_RTS | MODEM_CTS;
    bool m_hasModemLines = true;
    std::string m_path;
    bool m_cts = true;
    std::uint32_t m_errors = 0;
    bool m_gone = false;
    bool m_holdWrites = false;
    bool m_open = false;
    int m_openError = 0;
    int m_openCount = 0;
    int m_clearErrorCalls = 0;
    std::set<std::uint32_t> m_refusedRates;
    DCB m_live{};
};

class CFakeSerialPort : public ISerialPort {
public:
    explicit CFakeSerialPort(std::shared_ptr<CFakeSerialLine> line) : m_line(std::move(line)) {}
    ~CFakeSerialPort() override { Close(); }

    int Open(const std::string& path) override;
    void Close() override;
    bool IsOpen() const override;
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

    // A factory that hands out ports on `line`.
    static SerialPortFactory Factory(std::shared_ptr<CFakeSerialLine> line);

private:
    std::shared_ptr<CFakeSerialLine> m_line;
    bool m_open = false;
};

} // namespace kestrelon
