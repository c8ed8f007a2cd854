// CBlockSender: block format (type, number, complement, data padded with 0x00,
// checksum or CRC high byte first) and the YModem header in block 0.
#include "transfer/BlockSender.h"

#include "transfer/Crc16.h"
#include "transfer/TransferCodes.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace kestrelon {

CBlockSender::CBlockSender(CTransferObserver& observer, int protocol, CFileSource& file)
    : CTransferMachine(observer), m_file(file), m_protocol(protocol), m_ymodem(protocol == PROTOCOL_YMODEM),
      m_echo(protocol == PROTOCOL_XMODEM_ZIM)
{
    m_blockSize = protocol == PROTOCOL_XMODEM || protocol == PROTOCOL_XMODEM_ZIM ? 128 : 1024;
    m_blockNo = m_ymodem ? 0 : 1;
}

void CBlockSender::Start(TransferTime now)
{
    // XModem ZIM is XModem on the line and is shown as such.
    Notify(TRANSFER_FILE_LENGTH, m_file.Length());
    Notify(TRANSFER_PROTOCOL, m_protocol == PROTOCOL_XMODEM_ZIM ? PROTOCOL_XMODEM : m_protocol);
    Notify(TRANSFER_ERROR_CHECK, ERROR_CHECK_NONE);
    if (m_file.Length() == 0) {
        Notify(TRANSFER_FILE_ERROR, FILE_ERROR_EMPTY);
        Finish(RESULT_ENDED);
        return;
    }
    m_lastRxSecond = WholeSeconds(now);
    StartClock(now);
    if (m_assumed != 0)
        OnByte(m_assumed, now);
}

void CBlockSender::OnBytes(const std::uint8_t* data, std::size_t size, TransferTime now)
{
    for (std::size_t i = 0; i < size && !Done(); ++i) {
        if (m_echoPending > 0) {
            // The line gives back what we wrote; it is not the receiver's.
            if (--m_echoPending == 0)
                m_echoDeadline = NO_DEADLINE;
            continue;
        }
        OnByte(data[i], now);
        m_lastRxSecond = WholeSeconds(now);
    }
    if (!Done())
        ReportThroughput(now, ShownTotal());
}

void CBlockSender::OnByte(std::uint8_t byte, TransferTime now)
{
    switch (byte) {
    case CRC_REQUEST:
        if (!m_crcMode) {
            m_crcMode = true;
            SendBlock(now);
            Notify(TRANSFER_ERROR_CHECK, ERROR_CHECK_CRC);
            break;
        }
        if (!RepeatsFirstBlock(now))
            break;
        [[fallthrough]];
    case NAK:
        if (m_started) {
            ++m_repetitions;
            Notify(TRANSFER_REPETITIONS, m_repetitions);
            Notify(TRANSFER_REPETITIONS_ALL, m_repetitions);
        }
        SendBlock(now);
        break;
    case CAN:
        Finish(RESULT_CANCELLED);
        break;
    case ACK:
        OnAck(now);
        break;
    default:
        break;
    }
}

void CBlockSender::OnAck(TransferTime now)
{
    // An ACK before anything was sent is noise: taking it would skip a block.
    if (!m_started)
        return;
    if (m_eotSent) {
        m_eotSent = false;
        if (!m_ymodem) {
            Finish(RESULT_SUCCESS);
            return;
        }
        m_crcMode = false;
        m_blockNo = 0;
        m_headerPending = true;
        m_closing = true;
        return;
    }
    const bool headerAck = m_ymodem && m_blockNo == 0 && m_headerPending;
    if (headerAck && m_closing) {
        Finish(RESULT_SUCCESS);
        return;
    }
    if (!headerAck) {
        m_offset += m_blockSize;
        m_total += m_blockSize;
    }
    m_headerPending = false;
    ++m_blockNo;
    SendBlock(now);
    if (!Done())
        Notify(TRANSFER_BYTES, ShownTotal());
}

// A receiver that lost a first block (it flushes its input after each
// request) asks for it with 'C' again: after a header its 'C' asks for block 1,
// after the last EOT for the closing header.
bool CBlockSender::RepeatsFirstBlock(TransferTime now) const
{
    const bool firstBlock = m_headerPending || m_offset == 0;
    return m_started && !m_eotSent && firstBlock && now - m_sentAt >= REPEAT_REQUEST_MS;
}

void CBlockSender::SendBlock(TransferTime now)
{
    if (!m_started) {
        m_started = true;
        Notify(TRANSFER_STARTED, 0);
    }
    const bool header = m_ymodem && m_blockNo == 0 && m_headerPending;
    if (!header && m_offset >= m_file.Length()) {
        const std::uint8_t eot = EOT;
        Write(&eot, 1, now);
        m_eotSent = true;
        return;
    }
    const std::size_t size = header ? 1024 : m_blockSize;
    std::uint8_t* data = m_block.data() + 3;
    if (!(header ? BuildHeader(data) : ReadBlock(data))) {
        FileFailed();
        return;
    }
    m_block[0] = size == 1024 ? STX : SOH;
    m_block[1] = m_blockNo;
    m_block[2] = static_cast<std::uint8_t>(~m_blockNo);
    std::size_t length = 3 + size;
    if (m_crcMode) {
        const std::uint16_t crc = Crc16(data, static_cast<std::ptrdiff_t>(size));
        m_block[length++] = static_cast<std::uint8_t>(crc >> 8);
        m_block[length++] = static_cast<std::uint8_t>(crc & 0xFF);
    } else {
        std::uint8_t sum = 0;
        for (std::size_t i = 0; i < size; ++i)
            sum = static_cast<std::uint8_t>(sum + data[i]);
        m_block[length++] = sum;
    }
    Write(m_block.data(), length, now);
}

bool CBlockSender::BuildHeader(std::uint8_t* data)
{
    std::memset(data, 0, 1024);
    if (m_closing)
        return true;
    // Name, one 0x00, the length in decimal (left out when 0), zeros.
    char length[24] = {};
    std::snprintf(length, sizeof length, "%llu", static_cast<unsigned long long>(m_file.Length()));
    const std::string& name = m_file.Name();
    const std::size_t nameSize = std::min<std::size_t>(name.size(), 1024 - 2 - std::strlen(length));
    std::memcpy(data, name.data(), nameSize);
    std::memcpy(data + nameSize + 1, length, std::strlen(length));
    return true;
}

bool CBlockSender::ReadBlock(std::uint8_t* data)
{
    const std::uint64_t pieceOffset = m_offset - m_offset % PIECE;
    const std::uint64_t length = m_file.Length();
    const std::size_t pieceSize = static_cast<std::size_t>(std::min<std::uint64_t>(PIECE, length - pieceOffset));
    if (pieceOffset != m_pieceOffset) {
        m_pieceOffset = UINT64_MAX;
        if (!m_file.ReadAt(pieceOffset, m_piece.data(), pieceSize))
            return false;
        m_pieceOffset = pieceOffset;
    }
    const std::size_t at = static_cast<std::size_t>(m_offset - pieceOffset);
    const std::size_t take = std::min(m_blockSize, pieceSize - at);
    std::memcpy(data, m_piece.data() + at, take);
    std::memset(data + take, 0, m_blockSize - take);
    return true;
}

void CBlockSender::Write(const std::uint8_t* data, std::size_t size, TransferTime now)
{
    Emit(data, size);
    m_sentAt = now;
    if (m_echo) {
        m_echoPending += size;
        m_echoDeadline = now + ECHO_TIMEOUT_MS;
    }
}

void CBlockSender::FileFailed()
{
    EmitCancel();
    Notify(TRANSFER_FILE_ERROR, FILE_ERROR_ACCESS);
    Finish(RESULT_ENDED);
}

void CBlockSender::OnTime(TransferTime now)
{
    if (Done())
        return;
    if (m_echoPending > 0 && now >= m_echoDeadline) {
        Finish(RESULT_TIMEOUT);
        return;
    }
    if (m_echoPending == 0 && WholeSeconds(now) > m_lastRxSecond + SILENCE_SECONDS) {
        Finish(RESULT_TIMEOUT);
        return;
    }
    ReportThroughput(now, ShownTotal());
}

TransferTime CBlockSender::NextDeadline() const
{
    if (Done())
        return NO_DEADLINE;
    const TransferTime silence = (m_lastRxSecond + SILENCE_SECONDS + 1) * 1000;
    return std::min({m_echoDeadline, silence, NextSecond(ShownTotal())});
}

std::uint64_t CBlockSender::ShownTotal() const
{
    // The last block is padded; the user is shown no more than the file holds.
    return std::min(m_total, m_file.Length());
}

} // namespace kestrelon
