// Plain send ("None"): the file goes out in 1024-byte chunks as fast as the
// line takes them, with no framing. It never reads the line: the device's
// replies stay with the terminal.
#pragma once

#include "transfer/FileSource.h"
#include "transfer/TransferMachine.h"

#include <array>

namespace kestrelon {

class CRawSender : public CTransferMachine {
public:
    CRawSender(CTransferObserver& observer, CFileSource& file);

    void Start(TransferTime now) override;
    void OnBytes(const std::uint8_t*, std::size_t, TransferTime) override {}
    void OnTime(TransferTime now) override;
    void OnDrained(TransferTime now) override;
    TransferTime NextDeadline() const override;
    bool ReadsLine() const override { return false; }

private:
    CFileSource& m_file;
    std::uint64_t m_total = 0;
    std::array<std::uint8_t, 1024> m_chunk{};
};

} // namespace kestrelon
