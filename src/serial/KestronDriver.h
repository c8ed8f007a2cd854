// The terminal's serial driver: opens a port with the document's full line
// settings, runs the reader that polls the port, forwards what it finds to the
// frame in the order it was read, and changes the line rate on request.
#pragma once

#include "serial/ThreadCOMDriver.h"

#include <array>
#include <atomic>
#include <optional>

namespace kestrelon {

// Reader limits: the largest block handed over, the wait for bytes (bytes are
// handled the moment they arrive, the interval only bounds how late a hold
// change is seen), and how many blocks may wait for the frame before the
// reader stops reading and lets the tty buffer (and, with flow control, the
// sender) take the strain. The reader posts straight to the frame, which takes
// everything queued at each wake-up: a flood costs no thread switch per block.
constexpr int kReaderBlockMax = 3800;
constexpr int kReaderPollMs = 10;
// How often the reader looks at the modem lines for the status bar.
constexpr int kModemLinesPollMs = 100;

class CKestronDriver : public CThreadCOMDriver {
public:
    CKestronDriver(IMessageTarget& frame, ISettingsStore& settings, SerialPortFactory factory = {});
    ~CKestronDriver() override;

    // Connects COM<port> with `dcb`: code 15 when open and configured, code 16
    // (0 not opened, 1 settings refused, 2 buffers refused) when not.
    void Open(std::uint32_t port, const DCB& dcb);
    // Changes the rate of the open port: code 15 with the rate and true, or
    // false with the previous rate kept. False and silent when closed.
    bool SetBaudRate(std::uint32_t baud);
    // Starts the reader again after EnableReading(false) (the end of a file
    // transfer that read the port itself); nothing when no port is open.
    void RestartReader() { EnableReading(true); }

protected:
    bool OnPortOpened(ISerialPort& port) override;
    void OnPortOpenFailed(int error) override;
    void OnThreadMessage(CMessage& message) override;
    void ReaderMain(std::uint64_t openSerial) override;
    void OnIdle() override;

    // CTS, DSR and CD hold as last reported (unknown at first).
    using HoldStates = std::array<std::optional<bool>, 3>;
    // Posts the holds that changed since `reported` (the frame's lamps follow),
    // straight to the frame so they stay in order with the data posted there.
    void ReportHoldChanges(const std::array<bool, 3>& hold, HoldStates& reported, std::uint64_t generation);
    // Posts the modem lines (MODEM_ bits, -1 for a device without them) when
    // they differ from `reported`.
    void ReportModemLines(ISerialPort& port, std::optional<int>& reported, std::uint64_t generation);

    DCB m_dcb{}; // guarded by m_lock

private:
    enum class ReadStep { Continue, Lost, Halted };
    ReadStep ReadOnce(ISerialPort& port, std::uint8_t* buffer, const std::shared_ptr<CReceiveCredit>& credit,
                      std::uint64_t generation);
    void OnDeviceLost(std::uint64_t openSerial);
    void StopWatching();
    // TC_PORT_FAILED for `reason`, naming the device and the errno.
    void PostFailure(int reason, int error);

    // A removed device is watched for (driver thread; read by writers).
    std::atomic<bool> m_removed{false};
    std::atomic<std::uint64_t> m_removedGeneration{0};
    std::string m_removedPath;     // driver thread only
    bool m_reopening = false;      // driver thread only
    bool m_reopenNotThere = false; // driver thread only
};

} // namespace kestrelon
