// CKestronDoc: settings, accessors and the data channel.
#include "core/KestronDoc.h"

#include "core/Messages.h"
#include "framework/MessageCarrier.h"

#include <algorithm>

namespace kestrelon {

const std::array<std::uint32_t, BAUD_TABLE_SIZE> kBaudRates = {
    300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 57600, 115200, 230400, 460800, 921600};

const std::array<const char*, 7> kConnectionModeNames = {
    "Serial", "IPv4 TCP Client", "IPv4 TCP Server", "IPv4 UDP", "IPv6 TCP Client", "IPv6 TCP Server", "IPv6 UDP"};
const std::array<const char*, 4> kBridgeModeNames = {"IPv4 Client", "IPv4 Server", "IPv6 Client", "IPv6 Server"};
const std::array<const char*, 5> kProtocolNames = {"XModem", "XModem 1K", "YModem", "None", "XModem ZIM"};

CKestronDoc::CKestronDoc() = default;

CKestronDoc::~CKestronDoc() = default;

void CKestronDoc::SetHardwareHandshake(bool on)
{
    using namespace DcbFlag;
    if (on) {
        dcb.flags &= ~(1u << 12);
        dcb.flags |= (1u << 2) | (1u << 13);
    } else {
        dcb.flags &= ~(fOutxCtsFlow | fOutxDsrFlow | fDtrControlMask | fDsrSensitivity | fRtsControlMask);
    }
}

bool CKestronDoc::HasHardwareHandshake() const { return (dcb.flags & DcbFlag::fOutxCtsFlow) != 0; }

std::string CKestronDoc::GetFkeyLabel(int index) const
{
    return index >= 0 && index < FKEY_COUNT ? fkeyLabel[static_cast<std::size_t>(index)] : std::string();
}

std::string CKestronDoc::GetFkeyCommand(int index) const
{
    return index >= 0 && index < FKEY_COUNT ? fkeyCommand[static_cast<std::size_t>(index)] : std::string();
}

bool CKestronDoc::IsFkeyLevelEmpty(int level) const
{
    if (level < 0 || level >= FKEY_LEVELS)
        return true;
    for (int key = 0; key < FKEYS_PER_LEVEL; ++key) {
        const auto i = static_cast<std::size_t>(level * 10 + key);
        if (!fkeyLabel[i].empty() || !fkeyCommand[i].empty())
            return false;
    }
    return true;
}

std::string CKestronDoc::GetAutoAnswer(int index) const
{
    return index >= 0 && static_cast<std::size_t>(index) < autoAnswers.size()
               ? autoAnswers[static_cast<std::size_t>(index)]
               : std::string();
}

void CKestronDoc::SetTransferProtocol(std::uint32_t index)
{
    if (transferProtocol != index) {
        transferProtocol = index;
        SetModifiedFlag();
    }
}

bool CKestronDoc::IsValidBaudRate(std::uint32_t rate)
{
    return std::find(kBaudRates.begin(), kBaudRates.end(), rate) != kBaudRates.end();
}

int CKestronDoc::BaudRateIndex(std::uint32_t rate)
{
    auto it = std::find(kBaudRates.begin(), kBaudRates.end(), rate);
    return it == kBaudRates.end() ? DEFAULT_BAUD_INDEX : static_cast<int>(it - kBaudRates.begin());
}

void CKestronDoc::AddView(IDocumentView* view)
{
    if (view != nullptr && std::find(m_views.begin(), m_views.end(), view) == m_views.end())
        m_views.push_back(view);
}

void CKestronDoc::RemoveView(IDocumentView* view) { std::erase(m_views, view); }

void CKestronDoc::UpdateAllViews(const CUpdateHint& hint)
{
    for (IDocumentView* view : m_views)
        view->OnUpdate(hint);
}

void CKestronDoc::WriteToLog(const std::uint8_t* data, std::size_t length)
{
    if (!logging)
        return;
    if (!logFile.Write(data, length) && m_logFailure)
        m_logFailure(logFile.LastError());
}

void CKestronDoc::AddByte(std::uint8_t value, COLORREF colour)
{
    WriteToLog(&value, 1);
    CUpdateHint hint;
    hint.hint = HINT_BYTE;
    hint.value = value;
    hint.data = &value;
    hint.length = 1;
    hint.colour = colour;
    UpdateAllViews(hint);
}

void CKestronDoc::AddBlock(const std::uint8_t* data, std::int32_t length, COLORREF colour)
{
    if (data == nullptr || length < 1)
        return;
    WriteToLog(data, static_cast<std::size_t>(length));
    CUpdateHint hint;
    hint.hint = HINT_BLOCK;
    hint.data = data;
    hint.length = length;
    hint.colour = colour;
    UpdateAllViews(hint);
}

void CKestronDoc::ResetScreen()
{
    CUpdateHint hint;
    hint.hint = HINT_RESET;
    UpdateAllViews(hint);
}

} // namespace kestrelon
