// Where a transfer's notifications go. The engine thread calls it directly;
// the transfer driver turns each call into a posted window message.
#pragma once

#include <cstdint>
#include <string>

namespace kestrelon {

class CTransferObserver {
public:
    virtual ~CTransferObserver() = default;
    // Every code of TransferCodes.h except TRANSFER_FILE_PATH.
    virtual void OnTransferNotify(int code, std::uint64_t value) = 0;
    // TRANSFER_FILE_PATH: the full path of the file now being received.
    virtual void OnTransferFile(const std::string& path) = 0;
    // Called on the engine thread after every wake-up and at least every
    // LINE_CHECK_MS while a transfer runs: a serial driver reports its modem
    // hold flags from here, as the reader thread does outside transfers.
    virtual void OnLineCheck() {}
    static constexpr int LINE_CHECK_MS = 100;
};

} // namespace kestrelon
