// A file transfer over the IP connection, reporting with WM_IP_TRANSFER. Over
// TCP the receiving thread lends the connected socket, one engine runs on it on
// its own thread, and the socket goes back at the end. A plain send, the only
// one over UDP, goes through the connection's sender instead.
#pragma once

#include "hub/DatagramFileSend.h"
#include "transfer/LineTransfer.h"
#include "transfer/TransferEngine.h"

#include <memory>
#include <string>

namespace kestrelon {

class CIpConnection;
class IMessageTarget;

class CIpTransfer : public ILineTransfer, private CTransferObserver {
public:
    explicit CIpTransfer(IMessageTarget& frame);
    ~CIpTransfer() override;

    // False while busy, without a connected peer (TCP) or an open socket (UDP),
    // or for a protocol the direction or the connection does not have.
    // `request`: a receiver's request seen before (CReceiverRequestWatch), or 0.
    bool StartSend(CIpConnection& connection, int protocol, const std::string& path, std::uint8_t request = 0);
    bool StartReceive(CIpConnection& connection, int protocol, const std::string& path);

    ENotifyStep OnTransferNotify(int code, std::uint64_t value, const std::string* text) override;
    void EndTransferNow() override;
    bool IsTransferBusy() const override { return m_connection != nullptr; }
    CTransferStatus* Status() override { return m_status.get(); }
    void SetTransferClockScale(int scale) { m_engine.SetClockScale(scale); }

private:
    bool Start(CIpConnection& connection, ETransferDirection direction, int protocol, const std::string& path,
               bool sizeKnown, std::uint8_t request = 0);
    bool StartDatagrams(CIpConnection& connection, const std::string& path);
    void JoinAll();
    void GiveBack();
    void OnTransferNotify(int code, std::uint64_t value) override;
    void OnTransferFile(const std::string& path) override;

    IMessageTarget& m_frame;
    CIpConnection* m_connection = nullptr; // lent from (or sent through) while busy
    bool m_lent = false;                   // a TCP socket is on loan
    std::unique_ptr<CTransferStatus> m_status;
    CTransferEngine m_engine{*this};
    CDatagramFileSend m_datagrams{*this};
};

} // namespace kestrelon
