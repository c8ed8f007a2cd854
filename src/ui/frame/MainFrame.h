// The main window: menus, toolbar, function-key bar, GPS dock and status bar
// around the three terminal views. It owns the data hub and the message queue
// through which drivers, views and dialogs reach it; the queue is pumped from the
// Qt event loop. Commands that concern the connection go to the hub, the rest
// are handled here or by the dialogs.
#pragma once

#include "document/HubWindow.h"
#include "ui/frame/MainStatusBar.h"
#include "ui/widgets/FrameWndEx.h"
#include "framework/PumpedTarget.h"

#include <QHash>
#include <QPointer>

#include <array>
#include <functional>
#include <memory>

class QAction;
class QDialog;
class QMenu;
class QPrinter;
class QStackedWidget;
class QToolBar;

namespace kestrelon {

class CAutoAnswer;
class CDataHub;
class CFrameKeys;
class CFrameLineEnds;
class CFrameLines;
class CFramePacing;
class CFrameScripts;
class CFrameTransfers;
class CFrameZoom;
class CFunctionKeyBar;
class CKestronDoc;
class CSizingDialogBar;
class CGpsStatusBar;
class IDocumentView;
class ISettingsStore;
struct CFrameWake;

// Standard command identifiers of the menus and toolbar.
enum StandardCommand : int {
    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_SAVE = 57603,
    ID_FILE_SAVE_AS = 57604,
    ID_FILE_PRINT_SETUP = 57606,
    ID_FILE_PRINT = 57607,
    ID_FILE_PRINT_PREVIEW = 57609,
    ID_FILE_MRU_FILE1 = 57616,
    ID_EDIT_COPY = 57634,
    ID_EDIT_PASTE = 57637,
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,
    ID_HELP_INDEX = 57667,
    ID_CONTEXT_HELP = 57669,
    ID_HELP = 57670,
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,
    ID_FKEY_BAR = 59424,
    ID_GPS_BAR = 141,
};

class CFindBar;

class CMainFrame : public CFrameWndEx, public IHubWindow {
    Q_OBJECT
public:
    static constexpr int VIEW_COUNT = 4; // 0 ASCII, 1 hex, 2 ANSI, 3 Terminal

    // A view as the frame holds it: the widget, and the document's side of it.
    struct CViewSlot {
        QWidget* widget = nullptr;
        IDocumentView* docView = nullptr;
    };
    using ViewFactory = std::function<CViewSlot(int index, CMainFrame& frame)>;
    using HubFactory = std::function<std::unique_ptr<CDataHub>(CMainFrame& frame)>;
    using DialogRunner = std::function<int(QDialog& dialog)>;

    // `profile` keeps placement and bar layout, `store` is what the hub's
    // drivers read (port aliases, proxy); neither is owned.
    CMainFrame(CKestronDoc& doc, QSettings* profile, ISettingsStore* store);
    ~CMainFrame() override;

    // Builds bars, restores their layout and makes the hub (by default the real
    // one over `store`). Views come with SwitchView.
    bool Create(HubFactory hubFactory = {});
    void SetViewFactory(ViewFactory factory) { m_viewFactory = std::move(factory); }
    // How modal dialogs and message boxes run; tests answer them without a user.
    void SetDialogRunner(DialogRunner runner) { m_runDialog = std::move(runner); }
    // Runs a modal dialog or message box through the runner; its result.
    int RunModal(QDialog& dialog);
    // Asked before the window closes; false keeps it open (unsaved changes).
    void SetCloseQuery(std::function<bool()> query) { m_closeQuery = std::move(query); }
    // Where File > Logging's dialog gets its file name; tests answer it.
    void SetSaveFileChooser(std::function<QString(const QString& proposed)> chooser)
    {
        m_chooseSaveFile = std::move(chooser);
    }

    CFrameTransfers* Transfers() const { return m_transfers.get(); }

    CPumpedTarget& Target() { return m_target; }
    CKestronDoc& Document() { return m_doc; }
    CDataHub* Hub() const { return m_hub.get(); }
    CMainStatusBar* MainStatusBar() const { return m_statusBar; }
    QToolBar* ToolBar() const { return m_toolBar; }
    QToolBar* FunctionKeyBar() const { return m_fkeyBar; }
    CFunctionKeyBar* FunctionKeys() const { return m_fkeys; }
    CSizingDialogBar* GpsBar() const { return m_gpsBar; }
    // Null until the GPS bar was first shown; the hub feeds it only while shown.
    CGpsStatusBar* GpsPanel() const { return m_gpsPanel; }
    QAction* Action(int command) const { return m_actions.value(command); }
    QMenu* RecentFileMenuAnchor() const { return m_fileMenu; }

    // 0 ASCII, 1 hex, 2 ANSI, 3 Terminal: created on first use, then shown; the others hide.
    void SwitchView(int index);
    QWidget* View(int index) const;
    // Runs a menu, toolbar or bar command.
    void OnCommand(int command);
    // Enabled and checked states of every command, as the menus show them.
    void UpdateCommandStates();

    // "Kestrelon 1.0.0": the program name and its version, as --version prints it.
    static QString FrameTitle();
    void SetDocumentTitle(const QString& name);
    // The title a program on the device gave itself, shown before the rest
    // while its view is in front; "" takes it away.
    void SetDeviceTitle(const QString& title);
    // The configuration file now open (empty for a new one): settings kept per
    // file outside it, such as the pacing, follow it.
    void SetDocumentPath(const QString& path);
    CFrameLines* Lines() const { return m_lines; }
    CFramePacing* Pacing() const { return m_pacing; }
    CFrameZoom* Zoom() const { return m_zoom; }
    CFrameLineEnds* LineEnds() const { return m_lineEnds; }
    CFrameScripts* Scripts() const { return m_scripts; }
    void SetRecentFiles(const QStringList& paths);

    // --- IHubWindow ------------------------------------------------------------
    void SetLedState(LedRole led, int state) override;
    void BlinkLed(LedRole led, int state, int cycles) override;
    void AlternateLed(LedRole led, int a, int b, int rate, int count) override;
    void SetStatusPanes(std::uint32_t commMode) override;
    void SetPaneText(PaneId pane, const std::string& text) override;
    void ShowStatusMessage(const std::string& text) override;
    void ShowModemLines(int bits) override;
    void EnableFunctionKeys(bool enable) override;
    void RefreshFunctionKeys() override;
    bool ShowPortFailureDialog(const std::string& detail) override;
    void ShowMessageBox(const std::string& text, MessageBoxIcon icon) override;
    void PostCommand(int command) override;
    void Beep() override;
    void FocusActiveView() override;
    int ActiveView() const override { return m_activeView; }
    bool IsGpsBarVisible() const override;
    void FeedGps(std::uint8_t byte) override;

    bool FunctionKeysEnabled() const { return m_fkeysEnabled; }
    // A note about the connection in the message pane while nothing else is
    // reported ("Demo device on COM200"); it goes when the connection changes
    // and `holds` says it no longer applies.
    void SetConnectionNote(const QString& text, std::function<bool()> holds);

signals:
    // File > New, Open, Save, Save As: the application handles the document.
    void documentCommand(int command);
    void recentFileChosen(int index);
    void filesDropped(const QStringList& paths);

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildMenus();
    void BuildToolBar();
    void BuildBars();
    void BuildLines();
    // Zoom, line-end toggles and the window-wide keys.
    void BuildViewExtras();
    QAction* MakeAction(int command, const QString& text);
    void PumpMessages();
    std::intptr_t HandleMessage(CMessage& message);
    void ToggleBar(QWidget* bar);
    void ShowFindKeysOf(const QWidget* view);
    void StartOrStopLogging();
    void ShowAbout();
    void ShowHelp();
    void Print(bool preview);
    void PageSetup();
    QPrinter& Printer();
    void RunSetupDialog(int command);
    // Find, Save Output, Copy All and Timestamps (MainFrameOutput.cpp).
    void BuildOutputArea(QWidget* holder);
    CFindBar& FindBar();
    bool IsFindOpen() const;
    void OpenFind();
    void FindStep(bool forward, bool inclusive);
    void CloseFind();
    void SaveOutput();
    void CopyAll();
    void SetTimestamps(bool on);
    // Options of the user that every view takes when it is made.
    void ApplyViewOptions(QWidget* view);

    CKestronDoc& m_doc;
    ISettingsStore* m_store;
    CPumpedTarget m_target;
    std::shared_ptr<CFrameWake> m_wake;
    std::unique_ptr<CAutoAnswer> m_autoAnswer;
    std::unique_ptr<CDataHub> m_hub;
    std::unique_ptr<CFrameTransfers> m_transfers;

    CMainStatusBar* m_statusBar = nullptr;
    QToolBar* m_toolBar = nullptr;
    QToolBar* m_fkeyBar = nullptr;
    CFunctionKeyBar* m_fkeys = nullptr;
    CFrameLines* m_lines = nullptr;
    CFramePacing* m_pacing = nullptr;
    QString m_configPath; // the open configuration file, empty for a new one
    CFrameScripts* m_scripts = nullptr;
    CSizingDialogBar* m_gpsBar = nullptr;
    CGpsStatusBar* m_gpsPanel = nullptr; // hosted by m_gpsBar
    QStackedWidget* m_viewStack = nullptr;
    CFindBar* m_findBar = nullptr;
    bool m_timestamps = false;
    CFrameZoom* m_zoom = nullptr;
    CFrameLineEnds* m_lineEnds = nullptr;
    CFrameKeys* m_keys = nullptr;
    QString m_documentName;
    QString m_deviceTitle;
    QMenu* m_fileMenu = nullptr;
    QAction* m_recentAnchor = nullptr;
    QList<QAction*> m_recentActions;
    QHash<int, QAction*> m_actions;

    std::array<CViewSlot, VIEW_COUNT> m_views{};
    int m_activeView = -1;
    bool m_fkeysEnabled = false;

    ViewFactory m_viewFactory;
    DialogRunner m_runDialog;
    std::function<bool()> m_closeQuery;
    std::function<bool()> m_noteHolds;
    std::function<QString(const QString&)> m_chooseSaveFile;
    std::unique_ptr<QPrinter> m_printer;
};

} // namespace kestrelon
