// Base of the protocol state machines: they never touch a descriptor or a
// clock. The runner feeds them received bytes and the time (milliseconds on a
// monotonic clock), takes the bytes they want written and wakes them at their
// next deadline; notifications go straight to the observer.
#pragma once

#include "transfer/Throughput.h"
#include "transfer/TransferObserver.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace kestrelon {

using TransferTime = std::int64_t; // milliseconds
constexpr TransferTime NO_DEADLINE = std::numeric_limits<TransferTime>::max();

// The protocols count time in whole seconds, as the established engines do.
constexpr std::int64_t WholeSeconds(TransferTime now)
{
    return now / 1000;
}

class CTransferMachine {
public:
    explicit CTransferMachine(CTransferObserver& observer) : m_observer(observer) {}
    virtual ~CTransferMachine() = default;
    CTransferMachine(const CTransferMachine&) = delete;
    CTransferMachine& operator=(const CTransferMachine&) = delete;

    virtual void Start(TransferTime now) = 0;
    virtual void OnBytes(const std::uint8_t* data, std::size_t size, TransferTime now) = 0;
    // Called when the deadline has come (and may be called any time after).
    virtual void OnTime(TransferTime now) = 0;
    // Called when every byte asked for has been written.
    virtual void OnDrained(TransferTime /*now*/) {}
    virtual TransferTime NextDeadline() const = 0;
    // False for a machine that only writes: what the line brings meanwhile is
    // left to whoever else reads it (the terminal shows the device's replies).
    virtual bool ReadsLine() const { return true; }

    // The user's cancel: nothing goes to the remote side unless tellRemote.
    void Cancel(bool tellRemote);

    bool Done() const { return m_done; }
    int Result() const { return m_result; }

    const std::uint8_t* Pending() const { return m_out.data() + m_outHead; }
    std::size_t PendingSize() const { return m_out.size() - m_outHead; }
    void Consume(std::size_t count);

protected:
    void Emit(const std::uint8_t* data, std::size_t size);
    void EmitByte(std::uint8_t byte) { Emit(&byte, 1); }
    // Two CANs: peers that take a single CAN for line noise stop on the second.
    void EmitCancel();
    void Finish(int result);
    void Notify(int code, std::uint64_t value) { m_observer.OnTransferNotify(code, value); }
    void NotifyFile(const std::string& path) { m_observer.OnTransferFile(path); }
    // Reports throughput once per new second while some bytes have moved.
    void ReportThroughput(TransferTime now, std::uint64_t total);
    TransferTime NextSecond(std::uint64_t total) const;
    void StartClock(TransferTime now) { m_lastReportSecond = WholeSeconds(now); }

private:
    CTransferObserver& m_observer;
    std::vector<std::uint8_t> m_out;
    std::size_t m_outHead = 0;
    bool m_done = false;
    int m_result = 0;
    std::int64_t m_lastReportSecond = 0;
    CThroughput m_throughput;
};

} // namespace kestrelon
