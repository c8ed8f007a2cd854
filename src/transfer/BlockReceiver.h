// Receiver of XModem, XModem 1K and YModem batches. It asks with 'C' (three
// times, 3 s apart, then falls back to checksum with NAK), collects blocks of
// 128 or 1024 bytes whatever the protocol, and NAKs after 3 s of silence, ten
// times at most.
#pragma once

#include "transfer/ReceiveStore.h"
#include "transfer/TransferMachine.h"

#include <array>

namespace kestrelon {

class CBlockReceiver : public CTransferMachine {
public:
    // protocol: PROTOCOL_XMODEM, _XMODEM_1K (one file) or _YMODEM (a batch).
    CBlockReceiver(CTransferObserver& observer, int protocol, CReceiveStore& store);

    void Start(TransferTime now) override;
    void OnBytes(const std::uint8_t* data, std::size_t size, TransferTime now) override;
    void OnTime(TransferTime now) override;
    TransferTime NextDeadline() const override;

    // Seconds of silence (counted in whole seconds, more than this) before
    // the next 'C' or NAK; 'C' tries before the fall-back; NAKs in a row.
    static constexpr std::int64_t RETRY_SECONDS = 3;
    static constexpr int CRC_TRIES = 3;
    static constexpr int NAK_LIMIT = 10;

private:
    void OnByte(std::uint8_t byte, TransferTime now);
    void OnEot(TransferTime now);
    void OnBlock(TransferTime now);
    bool BlockIsGood() const;
    void OnGoodBlock(std::uint8_t number, TransferTime now);
    void OnHeader(TransferTime now);
    void TakeData(TransferTime now);
    void FileFailed();
    std::size_t FrameSize() const;

    CReceiveStore& m_store;
    int m_protocol;
    bool m_ymodem;
    bool m_crcMode = true;
    bool m_started = false; // YModem: a header was taken
    bool m_cArmed = false;
    bool m_nakArmed = false;
    std::int64_t m_cSecond = 0;
    std::int64_t m_nakSecond = 0;
    int m_tries = 0;
    std::uint64_t m_repetitions = 0;
    std::uint32_t m_expected = 1;
    std::uint64_t m_fileLength = 0; // announced by the header; 0 = not announced
    std::uint64_t m_written = 0;    // of the current file
    std::uint64_t m_total = 0;      // of the whole batch
    // The largest frame: STX, number, complement, 1024 data bytes, CRC.
    std::array<std::uint8_t, 1029> m_rxBlock{};
    std::size_t m_rxCount = 0;
};

} // namespace kestrelon
