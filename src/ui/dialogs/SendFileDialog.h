// The Send File dialog: the file to send (typed, pasted or chosen with Browse)
// and the protocol.
#pragma once

#include "ui/dialogs/TransferPickDialog.h"

namespace kestrelon {

class CSendFileDialog : public CTransferPickDialog {
    Q_OBJECT
public:
    // `protocols`: what the connection can send with (all five on a serial line
    // or TCP, only "None" over UDP); the document's protocol is preselected.
    CSendFileDialog(const QString& file, const std::vector<int>& protocols, int documentProtocol,
                    QWidget* parent = nullptr);

protected:
    QString Refusal(const QString& path) const override;
};

} // namespace kestrelon
