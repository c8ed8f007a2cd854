// What the window needs of a transfer that runs over the line of a connection
// (the serial port, or a TCP socket): start state, the status texts, the
// notifications handed back on the window's thread, cancel and a hard end.
#pragma once

#include "transfer/TransferStatus.h"

#include <cstdint>
#include <string>

namespace kestrelon {

// Posted with the transfer's message number by the dialog's Cancel.
constexpr int TRANSFER_USER_CANCEL = 100;

class ILineTransfer {
public:
    enum class ENotifyStep { None, Refresh, Ended };

    virtual ~ILineTransfer() = default;
    virtual bool IsTransferBusy() const = 0;
    // The dialog's texts of the running (or last) transfer; null before any.
    virtual CTransferStatus* Status() = 0;
    // One notification on the window's thread (`text`: the path of code 2).
    // Ended: code 1 gave the line back; its value is the result.
    virtual ENotifyStep OnTransferNotify(int code, std::uint64_t value, const std::string* text) = 0;
    // The user's cancel: nothing is sent to the remote side.
    void CancelTransfer() { OnTransferNotify(TRANSFER_USER_CANCEL, 0, nullptr); }
    // Cancels and waits for the transfer thread; the line is given back.
    virtual void EndTransferNow() = 0;
};

} // namespace kestrelon
