// CReceiveFileDialog: Browse is the platform's folder browser; the field keeps
// the directory with its trailing '/'; the file name field follows the protocol.
#include "ui/dialogs/ReceiveFileDialog.h"

#include "transfer/TransferCodes.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>

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
                          ReceivableOr(documentProtocol), PROTOCOL_XMODEM, ChooseFolder, parent),
      m_fileName(new QLineEdit(this))
{
    m_fileName->setObjectName(QStringLiteral("fileName"));
    AddField(tr("File name (XModem carries none):"), m_fileName);
    connect(ProtocolList(), &QComboBox::currentIndexChanged, this, &CReceiveFileDialog::FollowProtocol);
    FollowProtocol();
}

void CReceiveFileDialog::FollowProtocol()
{
    const bool named = ProtocolList()->currentData().toInt() != PROTOCOL_YMODEM;
    m_fileName->setEnabled(named);
    m_fileName->setPlaceholderText(named ? QString() : tr("the sender names the files"));
}

QString CReceiveFileDialog::FileName() const
{
    return m_fileName->isEnabled() ? m_fileName->text().trimmed() : QString();
}

QString CReceiveFileDialog::Refusal(const QString& /*folder*/) const
{
    // The folder itself is checked when the receive starts, with the reason.
    const QString name = FileName();
    if (!m_fileName->isEnabled())
        return {};
    if (name.isEmpty())
        return tr("XModem carries no file name: enter the name of the file to write.");
    if (name.contains(QLatin1Char('/')) || name == QLatin1String(".") || name == QLatin1String(".."))
        return tr("\"%1\" is not a file name: give the folder above and the name alone here.").arg(name);
    return {};
}

QString CReceiveFileDialog::Normalised(const QString& chosen) const
{
    return chosen.endsWith(QLatin1Char('/')) ? chosen : chosen + QLatin1Char('/');
}

} // namespace kestrelon
