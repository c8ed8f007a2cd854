// Sender of XModem, XModem 1K, YModem (one file and the closing header) and
// XModem ZIM. It speaks only when the receiver has asked: 'C' or NAK starts,
// ACK moves on, NAK repeats, CAN ends.
#pragma once

#include "transfer/FileSource.h"
#include "transfer/TransferMachine.h"

#include <array>

namespace kestrelon {

class CBlockSender : public CTransferMachine {
public:
    // protocol: PROTOCOL_XMODEM, _1K, _YMODEM or _XMODEM_ZIM; file is open.
    CBlockSender(CTransferObserver& observer, int protocol, CFileSource& file);

    // The receiver has asked already (its 'C' or NAK reached the terminal
    // before the transfer took the line): Start sends the first block at once
    // instead of waiting for the next request. Call before Start.
    void AssumeRequest(std::uint8_t request) { m_assumed = request; }

    void Start(TransferTime now) override;
    void OnBytes(const std::uint8_t* data, std::size_t size, TransferTime now) override;
    void OnTime(TransferTime now) override;
    TransferTime NextDeadline() const override;

    // Silence from the receiver that ends a send with a time-out.
    static constexpr std::int64_t SILENCE_SECONDS = 60;
    // How long the echo of a write may take on an echoing line (XModem ZIM).
    static constexpr TransferTime ECHO_TIMEOUT_MS = 5000;
    // A 'C' while a first block (a YModem header, block 1, the closing
    // header) is unanswered asks for it again: a receiver that lost it asks
    // that way. One that comes sooner than this after the block left crossed
    // it on the line (no receiver can have read the block and given up on it
    // yet): answering it would send the block twice and put the ACKs out of step.
    static constexpr TransferTime REPEAT_REQUEST_MS = 1000;

private:
    void OnByte(std::uint8_t byte, TransferTime now);
    void OnAck(TransferTime now);
    bool RepeatsFirstBlock(TransferTime now) const;
    void SendBlock(TransferTime now);
    bool BuildHeader(std::uint8_t* data);
    bool ReadBlock(std::uint8_t* data);
    void Write(const std::uint8_t* data, std::size_t size, TransferTime now);
    void FileFailed();
    std::uint64_t ShownTotal() const;

    CFileSource& m_file;
    int m_protocol;
    bool m_ymodem;
    bool m_echo;
    bool m_crcMode = false;
    bool m_started = false;
    std::uint8_t m_assumed = 0;
    TransferTime m_sentAt = 0;
    bool m_headerPending = true;
    bool m_eotSent = false;
    bool m_closing = false; // the next header is the empty one that ends the batch
    std::uint8_t m_blockNo = 1;
    std::size_t m_blockSize = 128;
    std::uint64_t m_offset = 0;
    std::uint64_t m_total = 0;
    std::uint64_t m_repetitions = 0;
    std::int64_t m_lastRxSecond = 0;
    std::size_t m_echoPending = 0;
    TransferTime m_echoDeadline = NO_DEADLINE;
    // The file is read in 8192-byte pieces; blocks divide a piece evenly.
    static constexpr std::size_t PIECE = 8192;
    std::array<std::uint8_t, PIECE> m_piece{};
    std::uint64_t m_pieceOffset = UINT64_MAX;
    std::array<std::uint8_t, 1029> m_block{};
};

} // namespace kestrelon
