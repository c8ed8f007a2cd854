// A file transfer over the connected TCP socket of the IP connection: the
// receiving thread lends the socket, one engine runs on it on its own thread
// and reports with WM_IP_TRANSFER, and the socket goes back at the end.
#pragma once

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

    // False while busy, without a connected peer, or for a protocol the
    // direction does not have.
    bool StartSend(CIpConnection& connection, int protocol, const std::string& path);
    bool StartReceive(CIpConnection& connection, int protocol, const std::string& path);

    ENotifyStep OnTransferNotify(int code, std::uint64_t value, const std::string* text) override;
    void EndTransferNow() override;
    bool IsTransferBusy() const override { return m_connection != nullptr; }
    CTransferStatus* Status() override { return m_status.get(); }
    void SetTransferClockScale(int scale) { m_engine.SetClockScale(scale); }

private:
    bool Start(CIpConnection& connection, ETransferDirection direction, int protocol, const std::string& path,
               bool sizeKnown);
    void GiveBack();
    void OnTransferNotify(int code, std::uint64_t value) override;
    void OnTransferFile(const std::string& path) override;

    IMessageTarget& m_frame;
    CIpConnection* m_connection = nullptr; // lent from while busy
    std::unique_ptr<CTransferStatus> m_status;
    CTransferEngine m_engine{*this};
};

} // namespace kestrelon
