// CSendFileDialog: Browse opens an existing file.
#include "ui/dialogs/SendFileDialog.h"

#include "transfer/TransferCodes.h"

#include <QFileDialog>
#include <QFileInfo>

namespace kestrelon {
namespace {

// Nothing chosen yet: one past the last protocol.
constexpr int kNoProtocol = PROTOCOL_XMODEM_ZIM + 1;

QString OpenFile(QWidget* parent, const QString& start)
{
    return QFileDialog::getOpenFileName(parent, QObject::tr("Send File"), start, QString(), nullptr,
                                        QFileDialog::ReadOnly);
}

} // namespace

CSendFileDialog::CSendFileDialog(const QString& file, const std::vector<int>& protocols, int documentProtocol,
                                 QWidget* parent)
    : CTransferPickDialog(tr("Send File"), tr("File name:"), tr("Send"), file, protocols, documentProtocol, kNoProtocol,
                          OpenFile, parent)
{
}

QString CSendFileDialog::Refusal(const QString& path) const
{
    const QFileInfo file(path);
    if (!file.exists())
        return tr("There is no file %1.").arg(path);
    if (!file.isFile())
        return tr("%1 is not a file.").arg(path);
    if (!file.isReadable())
        return tr("%1 cannot be read.").arg(path);
    return {};
}

} // namespace kestrelon
