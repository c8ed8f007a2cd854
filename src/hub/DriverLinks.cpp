// Adapters from the hub's link interfaces to the serial driver and the IP
// connection.
#include "hub/DriverLinks.h"

#include <algorithm>
#include <limits>

namespace kestrelon {

CSerialDriverLink::CSerialDriverLink(IMessageTarget& frame, ISettingsStore& settings) : m_driver(frame, settings)
{
}

CSerialDriverLink::~CSerialDriverLink()
{
    m_driver.Quit();
    m_driver.WaitForExit();
}

void CSerialDriverLink::Open(std::uint32_t port, const DCB& dcb)
{
    m_driver.Open(port, dcb);
}

void CSerialDriverLink::Close()
{
    m_driver.Close();
}

bool CSerialDriverLink::IsOpen() const
{
    return m_driver.IsOpen();
}

bool CSerialDriverLink::GetState(DCB& dcb) const
{
    return m_driver.GetState(dcb);
}

void CSerialDriverLink::SetBaudRate(std::uint32_t baud)
{
    m_driver.SetBaudRate(baud);
}

void CSerialDriverLink::Write(const std::uint8_t* data, std::size_t length)
{
    // The driver counts in 32-bit lengths.
    constexpr std::size_t kMaxPiece = std::numeric_limits<std::int32_t>::max();
    while (length > 0) {
        const std::size_t piece = std::min(length, kMaxPiece);
        m_driver.Write(data, static_cast<std::int32_t>(piece));
        data += piece;
        length -= piece;
    }
}

void CSerialDriverLink::Quit()
{
    m_driver.Quit();
}

CIpConnectionLink::CIpConnectionLink(IMessageTarget& frame, ISettingsStore& settings)
    : m_frame(frame), m_settings(settings)
{
}

bool CIpConnectionLink::Start(std::uint32_t mode, const std::string& host, std::uint32_t port, std::string& error)
{
    error = StartTerminalConnection(m_connection, m_frame, mode, host, port, &m_settings);
    return error.empty();
}

void CIpConnectionLink::SetRemoteSerial(bool enabled, const DCB& dcb)
{
    // The hardware handshake of a local port is CTS output flow; the remote
    // port is asked for the same.
    const bool hardware = (dcb.flags & DcbFlag::fOutxCtsFlow) != 0;
    m_connection.SetRemoteSerial(enabled, {dcb.BaudRate, dcb.ByteSize, dcb.Parity, dcb.StopBits, hardware});
}

void CIpConnectionLink::Stop()
{
    m_connection.Stop();
}

// A server goes on listening for the next peer; a client ends.
void CIpConnectionLink::CloseConnection()
{
    m_connection.DisconnectPeer();
}

bool CIpConnectionLink::IsListening() const
{
    return m_connection.IsOpen();
}

bool CIpConnectionLink::IsConnected() const
{
    return m_connection.IsConnected();
}

void CIpConnectionLink::Send(const std::uint8_t* data, std::size_t length)
{
    m_connection.Send(data, length);
}

std::string CIpConnectionLink::PeerName() const
{
    return m_connection.PeerName();
}

std::unique_ptr<ISerialLink> MakeSerialLink(IMessageTarget& frame, ISettingsStore& settings)
{
    return std::make_unique<CSerialDriverLink>(frame, settings);
}

std::unique_ptr<IIpLink> MakeIpLink(IMessageTarget& frame, ISettingsStore& settings)
{
    return std::make_unique<CIpConnectionLink>(frame, settings);
}

} // namespace kestrelon
