// Paced sending in the main window: the pauses of the open configuration file
// (loaded from and saved to the settings store), handed to the serial writer,
// and "Sending: N bytes left" in the message pane while a paced send runs.
#pragma once

#include "document/Pacing.h"

#include <QObject>
#include <QString>

#include <functional>

class QTimer;
class QWidget;

namespace kestrelon {

class CDataHub;
class CKestronDoc;
class ISettingsStore;

class CFramePacing : public QObject {
    Q_OBJECT
public:
    using ShowMessage = std::function<void(const QString& text)>;

    // `store` may be null (pacing then lasts the session); `show` writes the
    // message pane and `idleText` is what it shows when nothing is sent.
    CFramePacing(ISettingsStore* store, ShowMessage show, QString idleText, QObject* parent);

    void SetHub(CDataHub* hub);
    // The configuration file now open (empty: a new document): its pacing applies.
    void SetConfigPath(const QString& path);
    const CPacing& Pacing() const { return m_pacing; }
    // Setup > Terminal with the pacing fields; true when confirmed.
    bool RunTerminalSetup(QWidget* parent, CKestronDoc& doc);

    static QString SendingText(std::size_t bytesLeft);
    // How often the message pane follows a paced send.
    static constexpr int STATUS_INTERVAL_MS = 100;

private:
    void Apply();
    void ShowProgress();

    ISettingsStore* m_store;
    ShowMessage m_show;
    QString m_idleText;
    CDataHub* m_hub = nullptr;
    std::string m_path;
    CPacing m_pacing;
    QTimer* m_timer;
    bool m_showing = false;
};

} // namespace kestrelon
