// CFrameTransfers: the Send and Receive commands hand their choice to the
// serial driver or to the IP transfer; their notifications come back here and
// move the status dialog.
#include "ui/frame/FrameTransfers.h"

#include "document/KestronDoc.h"
#include "document/Messages.h"
#include "document/SettingsStore.h"
#include "hub/DataHub.h"
#include "hub/ErrorTexts.h"
#include "hub/HubLinks.h"
#include "hub/IpTransfer.h"
#include "net/IpConnection.h"
#include "serial/KesFileDriver.h"
#include "transfer/DiskStore.h"
#include "transfer/TransferStatus.h"
#include "ui/dialogs/ReceiveFileDialog.h"
#include "ui/dialogs/SendFileDialog.h"
#include "ui/dialogs/TransferStatusDialog.h"
#include "ui/frame/MainFrame.h"

#include <QFileInfo>

#include <utility>

namespace kestrelon {
namespace {

// Protocol numbers and results as the engines count them (their header cannot
// sit beside the hub's error texts, which name the file error code too).
// The protocols a line sends with, in the list's (alphabetical) order.
const std::vector<int> kSendProtocols = {3 /* None */, 0 /* XModem */, 1 /* XModem 1K */, 4 /* XModem ZIM */,
                                         2 /* YModem */};
const std::vector<int> kDatagramProtocols = {3 /* None */};
constexpr int kProtocolYModem = 2;
constexpr int kLastProtocol = 4;
constexpr int kResultTimeout = 1;
constexpr int kResultSuccess = 2;
constexpr int kResultCancelled = 3;
constexpr int kResultLineLost = 4;
constexpr int kCodeResult = 1;
constexpr int kCodeFilePath = 2;

bool IsTcpMode(std::uint32_t mode)
{
    return mode == MODE_IPV4_CLIENT || mode == MODE_IPV4_SERVER || mode == MODE_IPV6_CLIENT || mode == MODE_IPV6_SERVER;
}

bool IsUdpMode(std::uint32_t mode)
{
    return mode == MODE_IPV4_UDP || mode == MODE_IPV6_UDP;
}

} // namespace

CFrameTransfers::CFrameTransfers(CMainFrame& frame, CKestronDoc& doc, ISettingsStore* store)
    : m_frame(frame), m_doc(doc), m_store(store), m_ipTransfer(std::make_unique<CIpTransfer>(frame.Target()))
{
    if (m_store)
        m_receiveDir = QString::fromStdString(m_store->Read(kUploadGroup, kUploadKey).value_or(std::string()));
}

CFrameTransfers::~CFrameTransfers()
{
    EndNow();
    CloseStatusDialog();
}

CKesFileDriver* CFrameTransfers::SerialDriver() const
{
    CDataHub* hub = m_frame.Hub();
    return hub ? hub->SerialDriver() : nullptr;
}

ILineTransfer* CFrameTransfers::Running() const
{
    if (m_ipTransfer->IsTransferBusy())
        return m_ipTransfer.get();
    CKesFileDriver* driver = SerialDriver();
    return driver && driver->IsTransferBusy() ? driver : nullptr;
}

bool CFrameTransfers::IsBusy() const
{
    return Running() != nullptr;
}

bool CFrameTransfers::ConnectionReady() const
{
    CDataHub* hub = m_frame.Hub();
    if (!hub || IsBusy())
        return false;
    if (m_doc.commMode == 0) {
        CKesFileDriver* driver = SerialDriver();
        return driver && driver->IsOpen();
    }
    if (!hub->IpConnection())
        return false;
    if (IsUdpMode(m_doc.commMode))
        return hub->IpLink().IsListening();
    return IsTcpMode(m_doc.commMode) && hub->IpLink().IsConnected();
}

bool CFrameTransfers::CanSend() const
{
    return ConnectionReady();
}

bool CFrameTransfers::CanReceive() const
{
    return !IsUdpMode(m_doc.commMode) && ConnectionReady();
}

bool CFrameTransfers::Start(bool send, int protocol, const std::string& path)
{
    CDataHub* hub = m_frame.Hub();
    // The receiver may have asked already, while the user chose the file.
    const std::uint8_t request = hub->TakeReceiverRequest();
    m_receivingBatch = !send && protocol == kProtocolYModem;
    if (m_doc.commMode == 0) {
        CKesFileDriver* driver = SerialDriver();
        return driver && (send ? driver->StartSend(protocol, path, request) : driver->StartReceive(protocol, path));
    }
    CIpConnection* connection = hub->IpConnection();
    if (!connection)
        return false;
    const bool started = send ? m_ipTransfer->StartSend(*connection, protocol, path, request)
                              : m_ipTransfer->StartReceive(*connection, protocol, path);
    if (started)
        hub->SetIpSendState(protocol == 3 ? 1 : 2);
    return started;
}

bool CFrameTransfers::StartForScript(bool send, int protocol, const std::string& path,
                                     std::function<void(int result)> ended)
{
    if (!(send ? CanSend() : CanReceive()) || !Start(send, protocol, path))
        return false;
    m_scriptEnded = std::move(ended);
    OpenStatusDialog();
    return true;
}

void CFrameTransfers::Send()
{
    if (!CanSend())
        return;
    const bool datagrams = IsUdpMode(m_doc.commMode);
    CSendFileDialog dialog(m_sendFile, datagrams ? kDatagramProtocols : kSendProtocols,
                           static_cast<int>(m_doc.transferProtocol), &m_frame);
    if (m_frame.RunModal(dialog) != QDialog::Accepted || dialog.Protocol() > kLastProtocol)
        return;
    m_doc.SetTransferProtocol(static_cast<std::uint32_t>(dialog.Protocol()));
    m_sendFile = dialog.Path();
    if (Start(true, dialog.Protocol(), m_sendFile.toStdString()))
        OpenStatusDialog();
}

void CFrameTransfers::Receive()
{
    if (!CanReceive())
        return;
    CReceiveFileDialog dialog(m_receiveDir, static_cast<int>(m_doc.transferProtocol), &m_frame);
    if (m_frame.RunModal(dialog) != QDialog::Accepted)
        return;
    m_receiveDir = dialog.Path();
    if (m_store)
        m_store->Write(kUploadGroup, kUploadKey, m_receiveDir.toStdString());
    const int protocol = dialog.Protocol();
    m_doc.SetTransferProtocol(static_cast<std::uint32_t>(protocol));
    // A folder that is gone or read-only fails now, with the reason, before
    // the remote side is asked for anything.
    if (const std::string problem = CDiskStore::DirectoryProblem(m_receiveDir.toStdString()); !problem.empty()) {
        m_frame.ShowMessageBox("Cannot receive into " + m_receiveDir.toStdString() + ": " + problem,
                               MessageBoxIcon::Exclamation);
        return;
    }
    QString path = m_receiveDir;
    if (protocol != kProtocolYModem) {
        // XModem carries no name: the user gives one; only its name counts,
        // the file goes into the chosen directory.
        const QString chosen = m_frame.ChooseSaveFile(m_receiveDir);
        if (chosen.isEmpty())
            return;
        path = m_receiveDir + QFileInfo(chosen).fileName();
    }
    if (Start(false, protocol, path.toStdString()))
        OpenStatusDialog();
}

CTransferStatusDialog* CFrameTransfers::StatusDialog() const
{
    return m_dialog.data();
}

CTransferStatus* CFrameTransfers::LastStatus() const
{
    if (m_ipTransfer->Status() && (m_doc.commMode != 0 || !SerialDriver()))
        return m_ipTransfer->Status();
    CKesFileDriver* driver = SerialDriver();
    return driver ? driver->Status() : m_ipTransfer->Status();
}

void CFrameTransfers::OpenStatusDialog()
{
    ILineTransfer* line = Running();
    if (!line || !line->Status())
        return;
    CloseStatusDialog();
    m_dialog = new CTransferStatusDialog(
        *line->Status(),
        [this] {
            if (ILineTransfer* running = Running())
                running->CancelTransfer();
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
    ILineTransfer* line =
        message.message == WM_IP_TRANSFER ? static_cast<ILineTransfer*>(m_ipTransfer.get()) : SerialDriver();
    if (!line)
        return 0;
    const int code = static_cast<int>(message.wParam);
    const auto value = static_cast<std::uint64_t>(message.lParam);
    std::string path;
    if (auto text = message.TakePayload<CTextPayload>())
        path = text->Text();
    switch (line->OnTransferNotify(code, value, code == kCodeFilePath ? &path : nullptr)) {
    case ILineTransfer::ENotifyStep::Refresh:
        if (m_dialog)
            m_dialog->Refresh();
        break;
    case ILineTransfer::ENotifyStep::Ended:
        if (message.message == WM_IP_TRANSFER && m_frame.Hub())
            m_frame.Hub()->SetIpSendState(0);
        CloseStatusDialog();
        m_frame.UpdateCommandStates();
        if (auto ended = std::exchange(m_scriptEnded, nullptr))
            ended(static_cast<int>(value)); // the script reports it
        else
            ShowEnd(value, line->Status());
        break;
    case ILineTransfer::ENotifyStep::None:
        break;
    }
    // The hub reports the serial transfer's file errors; these are ours.
    if (message.message == WM_IP_TRANSFER && code == TRANSFER_FILE_ERROR) {
        const CTransferErrorReport report = TransferErrorReport(message.lParam);
        m_frame.ShowMessageBox(std::string(report.text), report.icon);
    }
    return 0;
}

void CFrameTransfers::ShowEnd(std::uint64_t result, const CTransferStatus* status)
{
    if (result == kResultTimeout)
        m_frame.ShowMessageBox("The remote system does not answer (timeout) !", MessageBoxIcon::Exclamation);
    else if (result == kResultCancelled)
        m_frame.ShowMessageBox("Transfer cancelled by remote system !", MessageBoxIcon::Exclamation);
    else if (result == kResultLineLost)
        m_frame.ShowMessageBox("The connection was lost during the transfer !", MessageBoxIcon::Exclamation);
    if (result == kResultSuccess && m_receivingBatch && status && status->FilesNamed() == 0)
        m_frame.ShowMessageBox("no file received", MessageBoxIcon::Information);
    // Kept, but shorter than its sender announced: no silent success.
    std::string shortFiles;
    for (const std::string& file : status ? status->ShortFiles() : std::vector<std::string>{})
        shortFiles += "\n" + file;
    if (!shortFiles.empty())
        m_frame.ShowMessageBox("Incomplete file received:" + shortFiles, MessageBoxIcon::Exclamation);
}

void CFrameTransfers::EndNow()
{
    ILineTransfer* line = Running();
    if (!line)
        return;
    line->EndTransferNow();
    if (line == m_ipTransfer.get() && m_frame.Hub())
        m_frame.Hub()->SetIpSendState(0);
    CloseStatusDialog();
    m_frame.UpdateCommandStates();
    if (auto ended = std::exchange(m_scriptEnded, nullptr))
        ended(0); // ended quietly
}

} // namespace kestrelon
