// The real connections behind the hub's link interfaces: the serial driver
// thread and the IP connection threads, both reporting to the frame.
#pragma once

#include "net/IpConnection.h"
#include "serial/KesFileDriver.h"
#include "hub/HubLinks.h"

#include <memory>

namespace kestrelon {

class IMessageTarget;
class ISettingsStore;

// The embedded serial driver. The frame reaches it through the hub for file
// transfers, which need more of it than the terminal does.
class CSerialDriverLink : public ISerialLink {
public:
    CSerialDriverLink(IMessageTarget& frame, ISettingsStore& settings);
    // Waits for the driver thread: the frame's target must no longer be pumped
    // only by the destroying thread, or must have been closed first.
    ~CSerialDriverLink() override;

    void Open(std::uint32_t port, const DCB& dcb) override;
    void Close() override;
    bool IsOpen() const override;
    bool GetState(DCB& dcb) const override;
    void SetBaudRate(std::uint32_t baud) override;
    void Write(const std::uint8_t* data, std::size_t length) override;
    void WritePaced(const std::uint8_t* data, std::size_t length) override { m_driver.WritePaced(data, length); }
    void QueueLineAction(LineAction action, int waitMs) override { m_driver.QueueLineAction(action, waitMs); }
    void SetPacing(int charDelayMs, int lineDelayMs) override { m_driver.SetPacing(charDelayMs, lineDelayMs); }
    std::size_t PacedBytes() const override { return m_driver.PacedBytes(); }
    void CancelOutput() override { m_driver.CancelOutput(); }
    std::size_t SendRoom() const override { return m_driver.SendRoom(); }
    void WatchSendRoom() override { m_driver.WatchSendRoom(); }
    void Quit() override;
    std::uint64_t Generation() const override { return m_driver.Generation(); }

    CKesFileDriver& Driver() { return m_driver; }

private:
    mutable CKesFileDriver m_driver;
};

// The terminal's IP connection; IPv4 clients take the SOCKS proxy from the
// settings store's internet settings.
class CIpConnectionLink : public IIpLink {
public:
    CIpConnectionLink(IMessageTarget& frame, ISettingsStore& settings);

    bool Start(std::uint32_t mode, const std::string& host, std::uint32_t port, std::string& error) override;
    void Stop() override;
    void CloseConnection() override;
    bool IsListening() const override;
    bool IsConnected() const override;
    void OnConnected(std::intptr_t) override {}
    void OnDisconnected() override {}
    void Send(const std::uint8_t* data, std::size_t length) override;
    void SendPaced(const std::uint8_t* data, std::size_t length) override { m_connection.Send(data, length, true); }
    void QueueWait(int ms) override { m_connection.QueueWait(ms); }
    void SetPacing(int charDelayMs, int lineDelayMs) override { m_connection.SetPacing({charDelayMs, lineDelayMs}); }
    std::size_t PacedBytes() const override { return m_connection.PacedBytes(); }
    void CancelOutput() override { m_connection.CancelOutput(); }
    std::size_t SendRoom() const override { return m_connection.SendRoom(); }
    void WatchSendRoom() override { m_connection.WatchSendRoom(); }
    std::string PeerName() const override;
    std::uint64_t Generation() const override { return m_connection.Generation(); }

    CIpConnection& Connection() { return m_connection; }

private:
    IMessageTarget& m_frame;
    ISettingsStore& m_settings;
    CIpConnection m_connection;
};

std::unique_ptr<ISerialLink> MakeSerialLink(IMessageTarget& frame, ISettingsStore& settings);
std::unique_ptr<IIpLink> MakeIpLink(IMessageTarget& frame, ISettingsStore& settings);

} // namespace kestrelon
