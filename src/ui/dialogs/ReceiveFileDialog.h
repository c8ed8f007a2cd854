// The Receive File dialog: the destination directory (typed, pasted or chosen
// with a folder browser), the protocol, XModem, XModem 1K or YModem, and for
// the two XModems, which carry no name, the name of the file to write.
#pragma once

#include "ui/dialogs/TransferPickDialog.h"

namespace kestrelon {

class CReceiveFileDialog : public CTransferPickDialog {
    Q_OBJECT
public:
    // "None" and "XModem ZIM" cannot receive: XModem is preselected for them.
    CReceiveFileDialog(const QString& directory, int documentProtocol, QWidget* parent = nullptr);
    // The protocols listed, in their order.
    static std::vector<int> Protocols();

    // The file name for XModem and XModem 1K (YModem takes the sender's names).
    QString FileName() const;
    QLineEdit* FileNameEdit() const { return m_fileName; }

protected:
    QString Normalised(const QString& chosen) const override;
    QString Refusal(const QString& path) const override;

private:
    void FollowProtocol();

    QLineEdit* m_fileName;
};

} // namespace kestrelon
