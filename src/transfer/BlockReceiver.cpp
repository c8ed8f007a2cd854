// CBlockReceiver: answers each complete frame with one byte (ACK, NAK or CAN)
// and writes new blocks in order; YModem files are named by their header,
// written as the blocks arrive and never past the announced length.
#include "transfer/BlockReceiver.h"

#include "transfer/Crc16.h"
#include "transfer/TransferCodes.h"
#include "transfer/UniqueFileName.h"

#include <algorithm>
#include <cstring>

namespace kestrelon {
namespace {

// Lengths beyond this many digits are not lengths a file can have.
constexpr std::size_t MAX_LENGTH_DIGITS = 19;

} // namespace

CBlockReceiver::CBlockReceiver(CTransferObserver& observer, int protocol, CReceiveStore& store)
    : CTransferMachine(observer), m_store(store), m_protocol(protocol), m_ymodem(protocol == PROTOCOL_YMODEM)
{
    m_expected = m_ymodem ? 0 : 1;
}

void CBlockReceiver::Start(TransferTime now)
{
    Notify(TRANSFER_STARTED, 0);
    std::string path;
    if (m_ymodem ? !m_store.Prepare() : !m_store.Create({}, path)) {
        FileFailed();
        return;
    }
    if (!m_ymodem)
        NotifyFile(path); // the name written: made unique when the chosen one exists
    Notify(TRANSFER_PROTOCOL, m_protocol);
    Notify(TRANSFER_ERROR_CHECK, ERROR_CHECK_CRC);
    m_cArmed = true;
    m_cSecond = WholeSeconds(now);
    StartClock(now);
    EmitByte(CRC_REQUEST);
}

void CBlockReceiver::OnBytes(const std::uint8_t* data, std::size_t size, TransferTime now)
{
    for (std::size_t i = 0; i < size && !Done(); ++i) {
        // A sender sends EOT alone and waits for its answer. An EOT with more
        // bytes behind it is a stray byte of a damaged block, not the end.
        if (m_rxCount == 0 && data[i] == EOT && i + 1 == size)
            OnEot(now);
        else
            OnByte(data[i], now);
        // The sender waits for the answer to a block, so bytes behind a
        // damaged one are its debris (a doubled byte, say): kept, they would
        // shift every resent block by as much and no block would ever fit.
        if (m_dropRest) {
            m_dropRest = false;
            break;
        }
    }
    if (!Done())
        ReportThroughput(now, m_total);
}

void CBlockReceiver::OnByte(std::uint8_t byte, TransferTime now)
{
    // Two CANs where a block should begin: the sender gave up. No block can
    // start that way, so nothing good is lost by ending here.
    if (m_rxCount == 1 && m_rxBlock[0] == CAN && byte == CAN) {
        m_rxCount = 0;
        Finish(RESULT_CANCELLED);
        return;
    }
    m_rxBlock[m_rxCount++] = byte;
    if (m_rxCount >= FrameSize())
        OnBlock(now);
}

std::size_t CBlockReceiver::FrameSize() const
{
    const std::size_t data = m_rxBlock[0] == STX ? 1024 : 128;
    return data + (m_crcMode ? 5 : 4);
}

void CBlockReceiver::OnEot(TransferTime now)
{
    EmitByte(ACK);
    if (!m_ymodem) {
        Finish(RESULT_SUCCESS);
        return;
    }
    m_store.Close();
    if (m_started && m_written < m_fileLength)
        Notify(TRANSFER_FILE_SHORT, m_written);
    EmitByte(CRC_REQUEST);
    m_expected = 0;
    m_started = false;
    m_nakArmed = true;
    m_nakSecond = WholeSeconds(now);
}

bool CBlockReceiver::BlockIsGood() const
{
    const std::size_t size = m_rxBlock[0] == STX ? 1024 : 128;
    const std::uint8_t* data = m_rxBlock.data() + 3;
    if (m_crcMode) {
        const std::uint16_t crc = Crc16(data, static_cast<std::ptrdiff_t>(size));
        return m_rxBlock[3 + size] == (crc >> 8) && m_rxBlock[4 + size] == (crc & 0xFF);
    }
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < size; ++i)
        sum = static_cast<std::uint8_t>(sum + data[i]);
    return m_rxBlock[3 + size] == sum;
}

void CBlockReceiver::OnBlock(TransferTime now)
{
    m_rxCount = 0;
    const std::uint8_t type = m_rxBlock[0];
    const std::uint8_t number = m_rxBlock[1];
    if ((type != SOH && type != STX) || number != static_cast<std::uint8_t>(~m_rxBlock[2])) {
        m_dropRest = true;
        EmitByte(NAK);
        return;
    }
    if (!BlockIsGood()) {
        m_dropRest = true;
        m_nakArmed = true;
        m_nakSecond = WholeSeconds(now);
        EmitByte(NAK);
        return;
    }
    // The first good block shows the sender has heard us: asking again with
    // 'C' in the middle of a transfer would be taken as a NAK of the block
    // under way, and every answer after it would fall one block behind.
    m_cArmed = false;
    OnGoodBlock(number, now);
}

void CBlockReceiver::OnGoodBlock(std::uint8_t number, TransferTime now)
{
    if (m_ymodem && !m_started) {
        if (number == 0) {
            OnHeader(now);
            return;
        }
        // Data without a header: a file nobody named. Ask again for the header.
        EmitByte(NAK);
        return;
    }
    if (number == static_cast<std::uint8_t>(m_expected)) {
        TakeData(now);
        if (!Done())
            EmitByte(ACK);
        return;
    }
    // The block before: its ACK was lost; acknowledged again, not written.
    EmitByte(number == static_cast<std::uint8_t>(m_expected - 1) ? ACK : CAN);
}

void CBlockReceiver::OnHeader(TransferTime now)
{
    const char* data = reinterpret_cast<const char*>(m_rxBlock.data() + 3);
    const std::size_t size = m_rxBlock[0] == STX ? 1024 : 128;
    const std::size_t nameSize = strnlen(data, size);
    const std::string remoteName(data, nameSize);
    m_tries = 0;
    Notify(TRANSFER_REPETITIONS, 0);
    if (remoteName.empty()) {
        EmitByte(ACK);
        Finish(RESULT_SUCCESS);
        return;
    }
    m_fileLength = 0;
    for (std::size_t i = nameSize + 1, digits = 0; i < size && data[i] >= '0' && data[i] <= '9'; ++i) {
        if (++digits > MAX_LENGTH_DIGITS)
            break;
        m_fileLength = m_fileLength * 10 + static_cast<std::uint64_t>(data[i] - '0');
    }
    Notify(TRANSFER_FILE_LENGTH, m_fileLength);
    const auto name = SafeReceiveName(remoteName);
    std::string path;
    if (!name || !m_store.Create(*name, path)) {
        FileFailed();
        return;
    }
    NotifyFile(path);
    m_started = true;
    m_written = 0;
    EmitByte(ACK);
    m_expected = 1;
    m_nakArmed = true;
    m_nakSecond = WholeSeconds(now);
    EmitByte(CRC_REQUEST);
}

void CBlockReceiver::TakeData(TransferTime now)
{
    const std::size_t size = m_rxBlock[0] == STX ? 1024 : 128;
    std::size_t count = size;
    if (m_ymodem && m_fileLength > 0)
        count =
            static_cast<std::size_t>(std::min<std::uint64_t>(size, m_fileLength - std::min(m_fileLength, m_written)));
    if (count > 0 && !m_store.Write(m_rxBlock.data() + 3, count)) {
        FileFailed();
        return;
    }
    m_written += count;
    m_total += count;
    Notify(TRANSFER_BYTES, m_total);
    ++m_expected;
    m_tries = 0;
    m_nakArmed = true;
    m_nakSecond = WholeSeconds(now);
    Notify(TRANSFER_REPETITIONS, 0);
}

void CBlockReceiver::FileFailed()
{
    m_store.Close();
    EmitCancel();
    Notify(TRANSFER_FILE_ERROR, FILE_ERROR_ACCESS);
    Finish(RESULT_ENDED);
}

void CBlockReceiver::OnTime(TransferTime now)
{
    if (Done())
        return;
    const std::int64_t second = WholeSeconds(now);
    if (m_cArmed && second > m_cSecond + RETRY_SECONDS) {
        if (++m_tries < CRC_TRIES) {
            EmitByte(CRC_REQUEST);
            m_cSecond = second;
        } else {
            // A block begun with CRC framing cannot be finished as a checksum
            // block: it would end one byte earlier than what was collected.
            m_crcMode = false;
            m_rxCount = 0;
            EmitByte(NAK);
            m_cArmed = false;
            m_tries = 0;
            m_nakArmed = true;
            m_nakSecond = second;
            Notify(TRANSFER_ERROR_CHECK, ERROR_CHECK_CHECKSUM);
        }
    }
    if (m_nakArmed && second > m_nakSecond + RETRY_SECONDS) {
        EmitByte(NAK);
        m_rxCount = 0;
        Notify(TRANSFER_REPETITIONS, static_cast<std::uint64_t>(++m_tries));
        Notify(TRANSFER_REPETITIONS_ALL, ++m_repetitions);
        if (m_tries >= NAK_LIMIT) {
            m_store.Close();
            Finish(RESULT_TIMEOUT);
            return;
        }
        m_nakSecond = second;
    }
    ReportThroughput(now, m_total);
}

TransferTime CBlockReceiver::NextDeadline() const
{
    if (Done())
        return NO_DEADLINE;
    TransferTime next = NextSecond(m_total);
    if (m_cArmed)
        next = std::min(next, (m_cSecond + RETRY_SECONDS + 1) * 1000);
    if (m_nakArmed)
        next = std::min(next, (m_nakSecond + RETRY_SECONDS + 1) * 1000);
    return next;
}

} // namespace kestrelon
