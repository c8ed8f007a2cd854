// The Transfer Status dialog: modeless, shown for the life of one transfer. It
// shows the texts of a CTransferStatus; its Cancel asks the owner to cancel
// and hides the dialog, which stays until the transfer's end destroys it.
#pragma once

#include "transfer/TransferStatus.h"

#include <QDialog>

#include <array>
#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace kestrelon {

class CTransferStatusDialog : public QDialog {
    Q_OBJECT
public:
    enum Field {
        FileName,
        Protocol,
        ErrorChecking,
        Repetitions,
        RepetitionsTotal,
        Transferred,
        Duration,
        RestDuration,
        Throughput,
        FIELD_COUNT
    };

    // `status` must outlive the dialog; `onCancel` runs when the user cancels.
    CTransferStatusDialog(CTransferStatus& status, std::function<void()> onCancel, QWidget* parent = nullptr);

    // The controls take the status's texts and bar position.
    void Refresh();
    QLabel* FieldLabel(Field field) const { return m_fields[field]; }
    QProgressBar* Progress() const { return m_progress; }
    QPushButton* CancelButton() const { return m_cancel; }

protected:
    void timerEvent(QTimerEvent* event) override;
    void reject() override;

private:
    CTransferStatus& m_status;
    std::function<void()> m_onCancel;
    std::array<QLabel*, FIELD_COUNT> m_fields{};
    QProgressBar* m_progress = nullptr;
    QPushButton* m_cancel = nullptr;
    int m_timer = 0;
};

} // namespace kestrelon
