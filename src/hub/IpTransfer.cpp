// CIpTransfer: the same engines as on the serial line, over a lent socket.
#include "hub/IpTransfer.h"

#include "document/Messages.h"
#include "framework/MessageCarrier.h"
#include "net/IpConnection.h"
#include "transfer/TransferCodes.h"

namespace kestrelon {

CIpTransfer::CIpTransfer(IMessageTarget& frame) : m_frame(frame)
{
}

CIpTransfer::~CIpTransfer()
{
    EndTransferNow();
}

bool CIpTransfer::StartSend(CIpConnection& connection, int protocol, const std::string& path)
{
    if (protocol < PROTOCOL_XMODEM || protocol > PROTOCOL_XMODEM_ZIM)
        return false;
    return Start(connection, ETransferDirection::Send, protocol, path, true);
}

bool CIpTransfer::StartReceive(CIpConnection& connection, int protocol, const std::string& path)
{
    if (protocol < PROTOCOL_XMODEM || protocol > PROTOCOL_YMODEM)
        return false;
    return Start(connection, ETransferDirection::Receive, protocol, path, protocol == PROTOCOL_YMODEM);
}

bool CIpTransfer::Start(CIpConnection& connection, ETransferDirection direction, int protocol, const std::string& path,
                        bool sizeKnown)
{
    if (m_connection != nullptr)
        return false;
    const int fd = connection.LendSocket();
    if (fd < 0)
        return false;
    m_engine.Join();
    m_connection = &connection;
    m_status = std::make_unique<CTransferStatus>(path, sizeKnown);
    if (!m_engine.Start(direction, protocol, fd, path)) {
        GiveBack();
        return false;
    }
    return true;
}

void CIpTransfer::GiveBack()
{
    if (m_connection != nullptr)
        m_connection->ReturnSocket();
    m_connection = nullptr;
}

ILineTransfer::ENotifyStep CIpTransfer::OnTransferNotify(int code, std::uint64_t value, const std::string* text)
{
    switch (code) {
    case TRANSFER_RESULT:
        if (m_connection == nullptr)
            return ENotifyStep::None;
        m_engine.Join();
        GiveBack();
        return ENotifyStep::Ended;
    case TRANSFER_USER_CANCEL:
        m_engine.Cancel(false);
        return ENotifyStep::None;
    case TRANSFER_FILE_PATH:
        if (m_status && text != nullptr)
            m_status->SetFileName(*text);
        return m_status ? ENotifyStep::Refresh : ENotifyStep::None;
    default:
        return m_status && m_status->Apply(code, value) ? ENotifyStep::Refresh : ENotifyStep::None;
    }
}

void CIpTransfer::EndTransferNow()
{
    if (m_connection == nullptr)
        return;
    m_engine.Cancel(false);
    m_engine.Join();
    GiveBack();
}

void CIpTransfer::OnTransferNotify(int code, std::uint64_t value)
{
    m_frame.Post(MakeMessage(WM_IP_TRANSFER, static_cast<std::uintptr_t>(code), static_cast<std::intptr_t>(value)));
}

void CIpTransfer::OnTransferFile(const std::string& path)
{
    m_frame.Post(MakeMessage(WM_IP_TRANSFER, TRANSFER_FILE_PATH, 0, std::make_unique<CTextPayload>(path)));
}

} // namespace kestrelon
