// CIpTransfer: the same engines as on the serial line, over a lent socket.
#include "hub/IpTransfer.h"

#include "document/Messages.h"
#include "framework/MessageCarrier.h"
#include "net/IpConnection.h"
#include "transfer/TransferCodes.h"

namespace kestrelon {
namespace {

bool IsDatagramMode(std::uint32_t mode)
{
    return mode == MODE_IPV4_UDP || mode == MODE_IPV6_UDP;
}

} // namespace

CIpTransfer::CIpTransfer(IMessageTarget& frame) : m_frame(frame)
{
}

CIpTransfer::~CIpTransfer()
{
    EndTransferNow();
}

bool CIpTransfer::StartSend(CIpConnection& connection, int protocol, const std::string& path, std::uint8_t request)
{
    if (protocol < PROTOCOL_XMODEM || protocol > PROTOCOL_XMODEM_ZIM)
        return false;
    return Start(connection, ETransferDirection::Send, protocol, path, true, request);
}

bool CIpTransfer::StartReceive(CIpConnection& connection, int protocol, const std::string& path)
{
    if (protocol < PROTOCOL_XMODEM || protocol > PROTOCOL_YMODEM || IsDatagramMode(connection.Mode()))
        return false;
    return Start(connection, ETransferDirection::Receive, protocol, path, protocol == PROTOCOL_YMODEM);
}

bool CIpTransfer::Start(CIpConnection& connection, ETransferDirection direction, int protocol, const std::string& path,
                        bool sizeKnown, std::uint8_t request)
{
    if (m_connection != nullptr)
        return false;
    // A plain send goes through the connection's own sender on TCP too: the
    // receiving thread keeps the socket, so the device's replies are shown.
    if (direction == ETransferDirection::Send && protocol == PROTOCOL_NONE)
        return StartDatagrams(connection, path);
    if (IsDatagramMode(connection.Mode()))
        return false;
    const int fd = connection.LendSocket();
    if (fd < 0)
        return false;
    JoinAll();
    m_connection = &connection;
    m_lent = true;
    m_status = std::make_unique<CTransferStatus>(path, sizeKnown);
    if (!m_engine.Start(direction, protocol, fd, path, request)) {
        GiveBack();
        return false;
    }
    return true;
}

bool CIpTransfer::StartDatagrams(CIpConnection& connection, const std::string& path)
{
    if (IsDatagramMode(connection.Mode()) ? !connection.IsOpen() : !connection.IsConnected())
        return false;
    JoinAll();
    m_connection = &connection;
    m_lent = false;
    m_status = std::make_unique<CTransferStatus>(path, true);
    if (!m_datagrams.Start(connection, path)) {
        m_connection = nullptr;
        return false;
    }
    return true;
}

// The thread that posted the result is ending; the other one is not running.
void CIpTransfer::JoinAll()
{
    m_engine.Join();
    m_datagrams.Join();
}

void CIpTransfer::GiveBack()
{
    if (m_connection != nullptr && m_lent)
        m_connection->ReturnSocket();
    m_connection = nullptr;
    m_lent = false;
}

ILineTransfer::ENotifyStep CIpTransfer::OnTransferNotify(int code, std::uint64_t value, const std::string* text)
{
    switch (code) {
    case TRANSFER_RESULT:
        if (m_connection == nullptr)
            return ENotifyStep::None;
        JoinAll();
        GiveBack();
        return ENotifyStep::Ended;
    case TRANSFER_USER_CANCEL:
        m_engine.Cancel(false);
        m_datagrams.Cancel();
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
    m_datagrams.Cancel();
    JoinAll();
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
