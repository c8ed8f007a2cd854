// Scripts in the main window: Tools > Run Script... with the recent scripts,
// Tools > Stop Script, the status pane with the script's name and state, and
// Escape to stop. The script shares the open connection: the hub feeds it what
// arrives, and what it sends is echoed like typed text.
#pragma once

#include "scripting/ScriptLink.h"
#include "scripting/ScriptRunner.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <condition_variable>
#include <functional>
#include <mutex>

class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QStatusBar;

namespace kestrelon {

class CDataHub;
class CKestronDoc;
class CMainFrame;
class ISettingsStore;

class CFrameScripts : public QObject, private IScriptLink {
    Q_OBJECT
public:
    CFrameScripts(CMainFrame& frame, CKestronDoc& doc, ISettingsStore* store);
    // Stops a running script and waits for its thread.
    ~CFrameScripts() override;

    void BuildMenu(QMenuBar* bar, QAction* before);
    void BuildStatus(QStatusBar* bar);
    void SetHub(CDataHub* hub);

    // Tools > Run Script...: asks for the file, then starts it.
    void RunScript();
    // Starts the script at `path` on the open connection; false (with a
    // message) when none is open or a script runs already.
    bool Start(const QString& path);
    // Tools > Stop Script, Escape, the connection closing: returns at once.
    void Stop();
    // Quitting: the script's thread is gone on return.
    void StopAndWait();
    bool IsRunning() const { return m_runner.IsRunning(); }
    QLabel* StatusLabel() const { return m_status; }
    QStringList RecentScripts() const { return m_recent; }

    static QString StateText(EScriptState state);
    static constexpr int RECENT_COUNT = 5;
    static constexpr int POSTED_LIMIT = 256;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // IScriptLink, on the script's thread: everything goes to the window's
    // thread as a queued call; nothing here waits for that thread except a
    // transfer, which a stop wakes.
    bool Send(std::string_view bytes, std::string& error) override;
    std::string LineEnd() const override { return m_lineEnd; }
    std::string LineControl(EScriptLine what, int value) override;
    std::string Transfer(bool send, int protocol, const std::string& path) override;
    void StopTransfer() override;
    void Log(std::string_view text) override;
    void OnScriptState(EScriptState state) override;

    // Queues `call` for the window's thread; waits while POSTED_LIMIT calls
    // are queued, so a script that sends or logs in a tight loop cannot fill
    // the window's queue (a stop ends the wait).
    void PostToWindow(std::function<void()> call);
    void OnEnded(const CScriptResult& result);
    void ShowState(EScriptState state);
    void RememberRecent(const QString& path);
    void FillRecentMenu();
    void UpdateActions();

    CMainFrame& m_frame;
    CKestronDoc& m_doc;
    ISettingsStore* m_store;
    CDataHub* m_hub = nullptr;
    QMenu* m_menu = nullptr;
    QAction* m_runAction = nullptr;
    QAction* m_stopAction = nullptr;
    QAction* m_recentSeparator = nullptr;
    QList<QAction*> m_recentActions;
    QLabel* m_status = nullptr;
    QStringList m_recent;
    QString m_name; // the running or last script's file name
    // Taken when the script starts: the script's thread reads them.
    std::string m_lineEnd = "\r";
    bool m_serial = false;
    bool m_modemLines = false; // the port has DTR and RTS
    // What the script's thread waits for: a transfer, or room among the calls
    // it posted to the window.
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_stopped = false;
    int m_posted = 0;
    bool m_transferEnded = false;
    int m_transferResult = 0;
    bool m_transferRunning = false; // the window's thread only
    CScriptRunner m_runner;         // last: its thread goes first
};

} // namespace kestrelon
