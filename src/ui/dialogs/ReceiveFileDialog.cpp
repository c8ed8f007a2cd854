// CReceiveFileDialog: Browse is the platform's folder browser; the field keeps
// the directory with its trailing '/'.
#include "ui/dialogs/ReceiveFileDialog.h"

#include "transfer/TransferCodes.h"

#include <QFileDialog>

namespace kestrelon {
namespace {

QString ChooseFolder(QWidget* parent, const QString& start)
{
    return QFileDialog::getExistingDirectory(parent, QObject::tr("Download directory:"), start,
                                             QFileDialog::ShowDirsOnly);
}

int ReceivableOr(int protocol)
{
    return protocol == PROTOCOL_XMODEM_1K || protocol == PROTOCOL_YMODEM ? protocol : PROTOCOL_XMODEM;
}

} // namespace

std::vector<int> CReceiveFileDialog::Protocols()
{
    return {PROTOCOL_XMODEM, PROTOCOL_XMODEM_1K, PROTOCOL_YMODEM};
}

CReceiveFileDialog::CReceiveFileDialog(const QString& directory, int documentProtocol, QWidget* parent)
    : CTransferPickDialog(tr("Receive File"), tr("Destination directory:"), tr("Receive"), directory, Protocols(),
                          ReceivableOr(documentProtocol), PROTOCOL_XMODEM, ChooseFolder, parent)
{
}

QString CReceiveFileDialog::Normalised(const QString& chosen) const
{
    return chosen.endsWith(QLatin1Char('/')) ? chosen : chosen + QLatin1Char('/');
}

} // namespace kestrelon
