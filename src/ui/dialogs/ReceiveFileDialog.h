// The Receive File dialog: the destination directory (chosen with a folder
// browser) and the protocol, XModem, XModem 1K or YModem.
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

protected:
    QString Normalised(const QString& chosen) const override;
};

} // namespace kestrelon
