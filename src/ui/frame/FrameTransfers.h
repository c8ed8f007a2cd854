// The main window's file transfers: File > Send and File > Receive with their
// dialogs, the Transfer Status dialog while a transfer runs, and the message
// that tells how it ended. The serial driver runs the transfer itself.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <functional>

namespace kestrelon {

class CDataHub;
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
    // A transfer can start: a connection is open and none runs.
    bool CanStart() const;
    bool IsBusy() const;
    // WM_TRANSFER from the hub, before it reports file errors.
    std::intptr_t OnMessage(CMessage& message);
    // The window closes or the connection changes: the transfer ends quietly
    // (nothing is sent to the remote side) and its thread is gone on return.
    void EndNow();

    CTransferStatusDialog* StatusDialog() const;
    QString ReceiveDirectory() const { return m_receiveDir; }

private:
    CKesFileDriver* Driver() const;
    void OpenStatusDialog();
    void CloseStatusDialog();
    void ShowEnd(std::uint64_t result);

    CMainFrame& m_frame;
    CKestronDoc& m_doc;
    ISettingsStore* m_store;
    QString m_sendFile;
    QString m_receiveDir;
    QPointer<CTransferStatusDialog> m_dialog;
};

} // namespace kestrelon
