// CFrameTransfers: the Send and Receive commands hand their choice to the
// serial driver; its notifications come back here and move the status dialog.
#include "ui/frame/FrameTransfers.h"

#include "document/KestronDoc.h"
#include "document/Messages.h"
#include "document/SettingsStore.h"
#include "hub/DataHub.h"
#include "serial/KesFileDriver.h"
#include "transfer/TransferCodes.h"
#include "ui/dialogs/ReceiveFileDialog.h"
#include "ui/dialogs/SendFileDialog.h"
#include "ui/dialogs/TransferStatusDialog.h"
#include "ui/frame/MainFrame.h"

#include <QFileInfo>

namespace kestrelon {
namespace {

// The protocols a serial line sends with, in the list's (alphabetical) order.
const std::vector<int> kSendProtocols = {PROTOCOL_NONE, PROTOCOL_XMODEM, PROTOCOL_XMODEM_1K, PROTOCOL_XMODEM_ZIM,
                                         PROTOCOL_YMODEM};

} // namespace

CFrameTransfers::CFrameTransfers(CMainFrame& frame, CKestronDoc& doc, ISettingsStore* store)
    : m_frame(frame), m_doc(doc), m_store(store)
{
    if (m_store)
        m_receiveDir = QString::fromStdString(m_store->Read(kUploadGroup, kUploadKey).value_or(std::string()));
}

CFrameTransfers::~CFrameTransfers() { CloseStatusDialog(); }

CKesFileDriver* CFrameTransfers::Driver() const
{
    CDataHub* hub = m_frame.Hub();
    return hub && m_doc.commMode == 0 ? hub->SerialDriver() : nullptr;
}

bool CFrameTransfers::IsBusy() const
{
    CDataHub* hub = m_frame.Hub();
    CKesFileDriver* driver = hub ? hub->SerialDriver() : nullptr;
    return driver && driver->IsTransferBusy();
}

bool CFrameTransfers::CanStart() const
{
    CKesFileDriver* driver = Driver();
    return driver && driver->IsOpen() && !driver->IsTransferBusy();
}

void CFrameTransfers::Send()
{
    if (!CanStart())
        return;
    CSendFileDialog dialog(m_sendFile, kSendProtocols, static_cast<int>(m_doc.transferProtocol), &m_frame);
    if (m_frame.RunModal(dialog) != QDialog::Accepted || dialog.Protocol() > PROTOCOL_XMODEM_ZIM)
        return;
    m_doc.SetTransferProtocol(static_cast<std::uint32_t>(dialog.Protocol()));
    m_sendFile = dialog.Path();
    if (CKesFileDriver* driver = Driver(); driver && driver->StartSend(dialog.Protocol(), m_sendFile.toStdString()))
        OpenStatusDialog();
}

void CFrameTransfers::Receive()
{
    if (!CanStart())
        return;
    CReceiveFileDialog dialog(m_receiveDir, static_cast<int>(m_doc.transferProtocol), &m_frame);
    if (m_frame.RunModal(dialog) != QDialog::Accepted)
        return;
    m_receiveDir = dialog.Path();
    if (m_store)
        m_store->Write(kUploadGroup, kUploadKey, m_receiveDir.toStdString());
    const int protocol = dialog.Protocol();
    m_doc.SetTransferProtocol(static_cast<std::uint32_t>(protocol));
    QString path = m_receiveDir;
    if (protocol != PROTOCOL_YMODEM) {
        // XModem carries no name: the user gives one; only its name counts,
        // the file goes into the chosen directory.
        const QString chosen = m_frame.ChooseSaveFile(m_receiveDir);
        if (chosen.isEmpty())
            return;
        path = m_receiveDir + QFileInfo(chosen).fileName();
    }
    if (CKesFileDriver* driver = Driver(); driver && driver->StartReceive(protocol, path.toStdString()))
        OpenStatusDialog();
}

CTransferStatusDialog* CFrameTransfers::StatusDialog() const { return m_dialog.data(); }

void CFrameTransfers::OpenStatusDialog()
{
    CKesFileDriver* driver = Driver();
    if (!driver || !driver->Status())
        return;
    CloseStatusDialog();
    m_dialog = new CTransferStatusDialog(
        *driver->Status(),
        [this] {
            CMessage cancel = MakeMessage(WM_TRANSFER, TRANSFER_USER_CANCEL, 0);
            OnMessage(cancel);
        },
        &m_frame);
    m_dialog->setAttribute(Qt::WA_DeleteOnClose);
    m_dialog->show();
}

void CFrameTransfers::CloseStatusDialog()
{
    if (m_dialog)
        delete m_dialog.data();
    m_dialog.clear();
}

std::intptr_t CFrameTransfers::OnMessage(CMessage& message)
{
    CDataHub* hub = m_frame.Hub();
    CKesFileDriver* driver = hub ? hub->SerialDriver() : nullptr;
    if (!driver)
        return 0;
    const int code = static_cast<int>(message.wParam);
    const auto value = static_cast<std::uint64_t>(message.lParam);
    std::string path;
    if (auto text = message.TakePayload<CTextPayload>())
        path = text->Text();
    switch (driver->OnTransferNotify(code, value, code == TRANSFER_FILE_PATH ? &path : nullptr)) {
    case CKesFileDriver::ENotifyStep::Refresh:
        if (m_dialog)
            m_dialog->Refresh();
        break;
    case CKesFileDriver::ENotifyStep::Ended:
        CloseStatusDialog();
        m_frame.UpdateCommandStates();
        ShowEnd(value);
        break;
    case CKesFileDriver::ENotifyStep::None: break;
    }
    return 0;
}

void CFrameTransfers::ShowEnd(std::uint64_t result)
{
    if (result == RESULT_TIMEOUT)
        m_frame.ShowMessageBox("The remote system does not answer (timeout) !", MessageBoxIcon::Exclamation);
    else if (result == RESULT_CANCELLED)
        m_frame.ShowMessageBox("Transfer cancelled by remote system !", MessageBoxIcon::Exclamation);
}

void CFrameTransfers::EndNow()
{
    CDataHub* hub = m_frame.Hub();
    CKesFileDriver* driver = hub ? hub->SerialDriver() : nullptr;
    if (!driver || !driver->IsTransferBusy())
        return;
    driver->EndTransferNow();
    CloseStatusDialog();
    m_frame.UpdateCommandStates();
}

} // namespace kestrelon
