// The main window's file transfers: File > Send and File > Receive with their
// dialogs, the Transfer Status dialog while a transfer runs, and the message
// that tells how it ended. The serial driver runs the transfer itself.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace kestrelon {

class CDataHub;
class CIpTransfer;
class ILineTransfer;
class CTransferStatus;
class CKesFileDriver;
class CKestronDoc;
class CMainFrame;
class CTransferStatusDialog;
class ISettingsStore;
struct CMessage;

// Settings store group and key of the receive directory.
inline constexpr const char* kUploadGroup = "Settings";
inline constexpr const char* kUploadKey = "UploadPath";

class CFrameTransfers {
public:
    CFrameTransfers(CMainFrame& frame, CKestronDoc& doc, ISettingsStore* store);
    ~CFrameTransfers();

    void Send();
    void Receive();
    // A transfer can start: a connection is open and none runs. Over UDP only a
    // plain send can: a datagram socket has no stream for the protocols to run
    // on, and a receive would have nothing to end it.
    bool CanSend() const;
    bool CanReceive() const;
    bool IsBusy() const;
    // A script's transfer: no dialogs and no end message; `ended` gets the
    // result (RESULT_*) on the window's thread, also when it is ended at once.
    bool StartForScript(bool send, int protocol, const std::string& path, std::function<void(int result)> ended);
    // WM_TRANSFER from the hub (before it reports file errors), and WM_IP_TRANSFER.
    std::intptr_t OnMessage(CMessage& message);
    // The window closes or the connection changes: the transfer ends quietly
    // (nothing is sent to the remote side) and its thread is gone on return.
    void EndNow();

    CTransferStatusDialog* StatusDialog() const;
    // The texts of the running or last transfer of the current connection.
    CTransferStatus* LastStatus() const;
    CIpTransfer& IpTransfer() { return *m_ipTransfer; }
    QString ReceiveDirectory() const { return m_receiveDir; }

private:
    CKesFileDriver* SerialDriver() const;
    ILineTransfer* Running() const;
    bool ConnectionReady() const;
    bool Start(bool send, int protocol, const std::string& path);
    void OpenStatusDialog();
    void CloseStatusDialog();
    void ShowEnd(std::uint64_t result, const CTransferStatus* status);

    CMainFrame& m_frame;
    CKestronDoc& m_doc;
    ISettingsStore* m_store;
    QString m_sendFile;
    QString m_receiveDir;
    QPointer<CTransferStatusDialog> m_dialog;
    bool m_receivingBatch = false; // the last transfer started is a YModem receive
    std::unique_ptr<CIpTransfer> m_ipTransfer;
    std::function<void(int result)> m_scriptEnded;
};

} // namespace kestrelon
