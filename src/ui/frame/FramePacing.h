// Paced sending in the main window: the pauses of the open configuration file
// (loaded from and saved to the settings store), handed to the sending threads
// of the serial port and the IP connection, and "Sending: N bytes left" in the
// message pane while a paced send runs. The Terminal view's options, kept per
// file the same way and edited in the same dialog, travel with them.
#pragma once

#include "document/Pacing.h"
#include "document/TerminalViewOptions.h"

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
    using ShowCount = std::function<void(const QString& text)>;

    // `store` may be null (pacing then lasts the session); `show` puts the
    // count over the message pane, and "" takes it away again.
    CFramePacing(ISettingsStore* store, ShowCount show, QObject* parent);

    void SetHub(CDataHub* hub);
    // The configuration file now open (empty: a new document): its pacing applies.
    void SetConfigPath(const QString& path);
    const CPacing& Pacing() const { return m_pacing; }
    const CTerminalViewOptions& ViewOptions() const { return m_viewOptions; }
    // Told whenever the Terminal view's options may have changed.
    void SetViewOptionsListener(std::function<void(const CTerminalViewOptions&)> listener);
    // Setup > Terminal with the pacing fields; true when confirmed.
    bool RunTerminalSetup(QWidget* parent, CKestronDoc& doc);

    static QString SendingText(std::size_t bytesLeft);
    // How often the message pane follows a paced send.
    static constexpr int STATUS_INTERVAL_MS = 100;

private:
    void Apply();
    void ShowProgress();

    ISettingsStore* m_store;
    ShowCount m_show;
    CDataHub* m_hub = nullptr;
    std::string m_path;
    CPacing m_pacing;
    CTerminalViewOptions m_viewOptions;
    std::function<void(const CTerminalViewOptions&)> m_viewListener;
    QTimer* m_timer;
    bool m_showing = false;
};

} // namespace kestrelon
