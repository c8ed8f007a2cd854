// CTransferStatus: the notification codes turned into the dialog's texts.
#include "transfer/TransferStatus.h"

#include "transfer/TransferCodes.h"

#include <array>
#include <cstdio>

namespace kestrelon {
namespace {

constexpr std::array<const char*, 5> kProtocolNames = {"XModem", "XModem 1K", "YModem", "None", "XModem ZIM"};
constexpr std::array<const char*, 3> kErrorCheckNames = {"None", "Checksum", "CRC"};
constexpr std::int64_t kSecondsPerDay = 24 * 60 * 60;

std::string Number(std::uint64_t value, const char* unit = "")
{
    char text[48];
    std::snprintf(text, sizeof text, "%llu%s", static_cast<unsigned long long>(value), unit);
    return text;
}

} // namespace

CTransferStatus::CTransferStatus(std::string path, bool sizeKnown)
    : m_sizeKnown(sizeKnown), m_clock([] { return std::time(nullptr); })
{
    m_fields.fileName = std::move(path);
}

std::string CTransferStatus::FormatSpan(std::int64_t seconds)
{
    if (seconds < 0)
        seconds = 0;
    seconds %= kSecondsPerDay;
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", static_cast<int>(seconds / 3600),
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    return text;
}

std::string CTransferStatus::ProtocolName(std::uint64_t protocol)
{
    return protocol < kProtocolNames.size() ? kProtocolNames[protocol] : "";
}

bool CTransferStatus::Apply(int code, std::uint64_t value)
{
    switch (code) {
    case TRANSFER_FILE_LENGTH:
        m_total = value;
        return false;
    case TRANSFER_FILE_SHORT:
        m_shortFiles.push_back(m_fields.fileName.substr(m_fields.fileName.find_last_of('/') + 1) + " (" +
                               Number(value) + " of " + Number(m_total) + " bytes)");
        return false;
    case TRANSFER_ERROR_CHECK:
        m_fields.errorChecking = value < kErrorCheckNames.size() ? kErrorCheckNames[value] : "";
        return true;
    case TRANSFER_REPETITIONS:
        m_fields.repetitions = Number(value);
        return true;
    case TRANSFER_REPETITIONS_ALL:
        m_fields.repetitionsTotal = Number(value);
        return true;
    case TRANSFER_BYTES:
        if (m_sizeKnown)
            m_position = value;
        m_fields.transferred = Number(value / 1024, " KBytes");
        m_done = value;
        return true;
    case TRANSFER_STARTED:
        m_start = m_clock();
        return false;
    case TRANSFER_THROUGHPUT:
        if (value >= 1) {
            // A sender that overshoots the announced size must not show a negative rest.
            const std::uint64_t rest = m_total > m_done ? (m_total - m_done) / value : 0;
            if (m_sizeKnown)
                m_fields.restDuration = FormatSpan(static_cast<std::int64_t>(rest));
            m_fields.throughput = Number(value, " cps");
        }
        return true;
    case TRANSFER_PROTOCOL:
        m_fields.protocol = ProtocolName(value);
        return true;
    default:
        return false;
    }
}

void CTransferStatus::Tick()
{
    if (m_start != 0)
        m_fields.duration = FormatSpan(static_cast<std::int64_t>(m_clock() - m_start));
}

} // namespace kestrelon
