// The main window's life: creation of the bars, the message queue pumped from
// the event loop, view switching, the window side of the data hub, closing and
// dropped files.
#include "ui/frame/MainFrame.h"

#include "ui/frame/FrameKeys.h"
#include "ui/frame/FrameLineEnds.h"
#include "ui/frame/FrameLines.h"
#include "ui/frame/FrameZoom.h"
#include "ui/frame/FramePacing.h"
#include "ui/frame/FrameScripts.h"
#include "ui/frame/FrameTransfers.h"
#include "document/Messages.h"

#include "automation/AutoAnswer.h"
#include "ui/frame/FunctionKeyBar.h"
#include "hub/DataHub.h"
#include "ui/frame/FrameDialogs.h"
#include "document/KestronDoc.h"
#include "ui/frame/StringTable.h"
#include "ui/frame/TerminalViews.h"
#include "ui/frame/FindBar.h"
#include "ui/widgets/Lamp.h"
#include "ui/widgets/SizingDialogBar.h"
#include "ui/gps/GpsStatusBar.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QCloseEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPrinter>
#include <QScreen>
#include <QStackedWidget>
#include <QTimer>
#include <QToolBar>

#include <mutex>

namespace kestrelon {

// Shared between the frame and the threads that wake it: a thread may still be
// waking the frame while it is destroyed, so the pointer is cleared under the lock.
struct CFrameWake {
    std::mutex mutex;
    CMainFrame* frame = nullptr;
    std::atomic<bool> pending{false};
};

namespace {
QString Text(std::string_view text) { return QString::fromUtf8(text.data(), int(text.size())); }
} // namespace

CMainFrame::CMainFrame(CKestronDoc& doc, QSettings* profile, ISettingsStore* store)
    : m_doc(doc), m_store(store), m_wake(std::make_shared<CFrameWake>()), m_viewFactory(MakeTerminalView)
{
    SetProfile(profile);
    setObjectName(QStringLiteral("MainFrame"));
    setWindowTitle(FrameTitle());
    setAcceptDrops(true);
    // The first size, kept inside the screen with room for the window frame:
    // with large fonts the screen may have fewer logical pixels than that.
    QSize first(800, 600);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        first = first.boundedTo(screen->availableGeometry().size() * 9 / 10);
    resize(first);

    m_wake->frame = this;
    m_target.SetPumpThread(std::this_thread::get_id());
    m_target.SetHandler([this](CMessage& message) { return HandleMessage(message); });
    m_target.SetWakeup([wake = m_wake] {
        if (wake->pending.exchange(true))
            return; // a pump is already on its way
        std::lock_guard lock(wake->mutex);
        if (CMainFrame* frame = wake->frame)
            QMetaObject::invokeMethod(frame, [frame] { frame->PumpMessages(); }, Qt::QueuedConnection);
    });
    m_doc.SetFrameTarget(&m_target);
}

CMainFrame::~CMainFrame()
{
    {
        std::lock_guard lock(m_wake->mutex);
        m_wake->frame = nullptr;
    }
    // Release any driver blocked in Send before the hub waits for its threads.
    m_target.Close();
    if (m_scripts)
        m_scripts->StopAndWait();
    if (m_transfers)
        m_transfers->EndNow();
    m_transfers.reset();
    m_hub.reset();
    // The views hold the message target: they go before it does.
    for (CViewSlot& view : m_views) {
        if (view.docView)
            m_doc.RemoveView(view.docView);
        delete view.widget;
        view = {};
    }
    m_doc.SetFrameTarget(nullptr);
}

bool CMainFrame::Create(HubFactory hubFactory)
{
    auto* central = new QWidget(this);
    m_viewStack = new QStackedWidget(central);
    BuildOutputArea(central);
    setCentralWidget(central);
    BuildMenus();
    BuildToolBar();
    BuildBars();
    BuildLines();
    BuildViewExtras();
    RestoreBarState(); // a layout that cannot be restored leaves the defaults
    SetLedState(LED_BRIDGE, 1);
    if (hubFactory)
        m_hub = hubFactory(*this);
    else if (m_store)
        m_hub = std::make_unique<CDataHub>(m_doc, *this, *m_store, m_target);
    if (m_hub) {
        m_autoAnswer = std::make_unique<CAutoAnswer>(m_doc);
        m_hub->SetAnswerMatcher([this](const std::uint8_t* data, std::size_t length) {
            m_autoAnswer->MatchBlock(data, length);
        });
        m_transfers = std::make_unique<CFrameTransfers>(*this, m_doc, m_store);
        m_hub->SetTransferHandler([this](CMessage& message) { return m_transfers->OnMessage(message); });
        m_hub->SetTransferEnder([this] {
            if (m_scripts)
                m_scripts->Stop(); // a script goes with its connection
            if (m_transfers)
                m_transfers->EndNow();
        });
        connect(m_fkeys, &CFunctionKeyBar::SendTextRequested, this, [this](const std::string& text) {
            if (m_hub)
                m_hub->SendText(text);
        });
    }
    m_lines->SetHub(m_hub.get());
    m_scripts->SetHub(m_hub.get());
    m_pacing = new CFramePacing(
        m_store, [this](const QString& text) { m_statusBar->ShowProgressText(text); }, this);
    m_pacing->SetHub(m_hub.get());
    m_pacing->SetConfigPath(QString());
    UpdateCommandStates();
    // The toolbar shows the states too, and connections change them without any
    // command: refresh them while the program is idle, as the menus do on opening.
    auto* idle = new QTimer(this);
    connect(idle, &QTimer::timeout, this, &CMainFrame::UpdateCommandStates);
    connect(idle, &QTimer::timeout, m_lines, &CFrameLines::UpdateStates);
    connect(idle, &QTimer::timeout, m_lineEnds, &CFrameLineEnds::UpdateStates);
    idle->start(250);
    return true;
}

void CMainFrame::BuildBars()
{
    m_statusBar = new CMainStatusBar(this);
    setStatusBar(m_statusBar);
    connect(m_statusBar, &CMainStatusBar::commandRequested, this, [this](int command) { PostCommand(command); });

    // The function keys sit along the bottom of the window, level 0 showing.
    m_fkeyBar = new QToolBar(tr("Function Keys"), this);
    m_fkeyBar->setObjectName(QStringLiteral("FunctionKeyBar"));
    m_fkeyBar->setMovable(false);
    m_fkeys = new CFunctionKeyBar(m_fkeyBar);
    m_fkeys->SetDocument(&m_doc);
    m_fkeys->SetLevel(0);
    m_fkeys->EnableFkeys(false);
    m_fkeyBar->addWidget(m_fkeys);
    addToolBar(Qt::BottomToolBarArea, m_fkeyBar);
    connect(m_fkeys, &CFunctionKeyBar::FocusViewRequested, this, &CMainFrame::FocusActiveView);

    m_gpsBar = new CSizingDialogBar(Text(LoadString(IDS_GPS_STATUS)), this);
    m_gpsBar->setObjectName(QStringLiteral("GpsBar"));
    m_gpsBar->Create([this] { return m_gpsPanel = new CGpsStatusBar; }, ID_GPS_BAR);
    addDockWidget(Qt::LeftDockWidgetArea, m_gpsBar);
    m_gpsBar->hide();
}

void CMainFrame::BuildLines()
{
    m_lines = new CFrameLines(m_doc, this);
    const QList<QAction*> menus = menuBar()->actions();
    m_lines->BuildMenu(menuBar(), menus.isEmpty() ? nullptr : menus.back()); // before Help
    addToolBar(Qt::TopToolBarArea, m_lines->BuildToolBar(this));
    m_lines->BuildStatus(m_statusBar);
    m_scripts = new CFrameScripts(*this, m_doc, m_store);
    m_scripts->BuildMenu(menuBar(), menus.isEmpty() ? nullptr : menus.back());
    m_scripts->BuildStatus(m_statusBar);
}

void CMainFrame::BuildViewExtras()
{
    auto menu = [this](const QString& title) {
        for (QAction* action : menuBar()->actions())
            if (action->text() == title)
                return action->menu();
        return static_cast<QMenu*>(nullptr);
    };
    m_zoom = new CFrameZoom(*this, m_store);
    m_zoom->BuildMenu(menu(QStringLiteral("&View")));
    m_lineEnds = new CFrameLineEnds(m_doc, this);
    m_lineEnds->BuildMenu(menu(QStringLiteral("&Toggle")));
    m_lineEnds->BuildStatus(m_statusBar);
    connect(m_lineEnds, &CFrameLineEnds::setupRequested, this, [this] { PostCommand(ID_SETUP_TERMINAL); });
    m_keys = new CFrameKeys(*this);
}

void CMainFrame::SetDocumentPath(const QString& path)
{
    m_configPath = path;
    if (m_hub && m_store)
        m_hub->SetLocalEndpoint(LoadLocalEndpoint(*m_store, QFile::encodeName(path).toStdString()));
    if (m_zoom)
        m_zoom->SetConfigPath(path);
    if (m_pacing)
        m_pacing->SetConfigPath(path);
}

void CMainFrame::ShowModemLines(int bits)
{
    if (m_lines)
        m_lines->ShowModemLines(bits);
}

QString CMainFrame::FrameTitle()
{
    return Text(LoadString(IDS_APP_NAME)) + QStringLiteral(" " KESTRELON_VERSION);
}

void CMainFrame::SetDocumentTitle(const QString& name)
{
    m_documentName = name;
    SetDeviceTitle(m_deviceTitle);
}

void CMainFrame::SetDeviceTitle(const QString& title)
{
    m_deviceTitle = title;
    const QString device = title.isEmpty() ? QString() : title + QStringLiteral(" - ");
    setWindowTitle(device + (m_documentName.isEmpty() ? QString() : m_documentName + QStringLiteral(" - ")) +
                   FrameTitle());
}

// --- Message queue ---------------------------------------------------------------

void CMainFrame::PumpMessages()
{
    m_wake->pending = false;
    // Only what is queued now: a flooding reader keeps posting, and the window
    // must get back to its input and painting between batches.
    m_target.PumpQueued();
}

std::intptr_t CMainFrame::HandleMessage(CMessage& message)
{
    if (message.message == WM_IP_TRANSFER)
        return m_transfers ? m_transfers->OnMessage(message) : 0;
    return m_hub ? m_hub->HandleMessage(message) : 0;
}

void CMainFrame::PostCommand(int command)
{
    QMetaObject::invokeMethod(this, [this, command] { OnCommand(command); }, Qt::QueuedConnection);
}

// --- Views -------------------------------------------------------------------------

void CMainFrame::SwitchView(int index)
{
    if (index < 0 || index >= VIEW_COUNT || !m_viewStack)
        return;
    CViewSlot& slot = m_views[static_cast<std::size_t>(index)];
    if (!slot.widget) {
        slot = m_viewFactory(index, *this);
        if (!slot.widget)
            return;
        m_viewStack->addWidget(slot.widget);
        ApplyViewOptions(slot.widget);
        if (slot.docView)
            m_doc.AddView(slot.docView);
    }
    SetTerminalViewActive(View(m_activeView), false);
    m_viewStack->setCurrentWidget(slot.widget);
    SetTerminalViewActive(slot.widget, true);
    m_activeView = index;
    ShowFindKeysOf(slot.widget);
    if (IsFindOpen()) {
        if (CanFindInTerminalView(slot.widget))
            FindStep(true, true); // the open bar searches the view now shown
        else
            CloseFind();
    }
    UpdateCommandStates();
}

// The menu names the find key that works in the view shown: in the Terminal
// view Ctrl+F reaches the device, and Ctrl+Shift+F opens the find bar.
void CMainFrame::ShowFindKeysOf(const QWidget* view)
{
    const QKeySequence find(QKeySequence::Find);
    const QKeySequence terminalFind(Qt::CTRL | Qt::SHIFT | Qt::Key_F);
    const bool terminal = TerminalViewTakesFindKeys(view);
    Action(ID_EDIT_FIND)->setShortcuts(terminal ? QList{terminalFind, find} : QList{find, terminalFind});
}

QWidget* CMainFrame::View(int index) const
{
    return index >= 0 && index < VIEW_COUNT ? m_views[static_cast<std::size_t>(index)].widget : nullptr;
}

void CMainFrame::FocusActiveView()
{
    if (QWidget* view = View(m_activeView))
        view->setFocus();
}

// --- Window side of the hub ----------------------------------------------------

void CMainFrame::SetLedState(LedRole led, int state) { m_statusBar->Led(led)->SetLampState(state); }

void CMainFrame::BlinkLed(LedRole led, int state, int cycles) { m_statusBar->Led(led)->Blink(state, cycles); }

void CMainFrame::AlternateLed(LedRole led, int a, int b, int rate, int count)
{
    m_statusBar->Led(led)->Alternate(a, b, rate, count);
}

void CMainFrame::SetStatusPanes(std::uint32_t commMode)
{
    m_statusBar->SetPaneSetForMode(commMode);
    if (m_lineEnds)
        m_lineEnds->KeepPaneAtEnd();
}

void CMainFrame::SetPaneText(PaneId pane, const std::string& text)
{
    m_statusBar->SetPaneTextFitById(pane, QString::fromStdString(text));
}

void CMainFrame::SetConnectionNote(const QString& text, std::function<bool()> holds)
{
    m_statusBar->SetIdleText(text);
    m_noteHolds = std::move(holds);
}

void CMainFrame::ShowStatusMessage(const std::string& text)
{
    // The hub clears the pane whenever the connection changes.
    if (text.empty() && m_noteHolds && !m_noteHolds()) {
        m_noteHolds = {};
        m_statusBar->SetIdleText(Text(LoadString(IDS_IDLE_PROMPT)));
    }
    m_statusBar->ShowMessageText(QString::fromStdString(text));
}

void CMainFrame::EnableFunctionKeys(bool enable)
{
    m_fkeysEnabled = enable;
    m_fkeys->EnableFkeys(enable);
}

void CMainFrame::RefreshFunctionKeys() { m_fkeys->RefreshFkeyBar(); }

bool CMainFrame::ShowPortFailureDialog(const std::string& detail)
{
    CPortFailureDialog dialog(this, QString::fromStdString(detail));
    QApplication::beep();
    return RunModal(dialog) == QDialog::Accepted;
}

void CMainFrame::ShowMessageBox(const std::string& text, MessageBoxIcon icon)
{
    const QMessageBox::Icon shown = icon == MessageBoxIcon::Information ? QMessageBox::Information
                                    : icon == MessageBoxIcon::Error     ? QMessageBox::Critical
                                                                        : QMessageBox::Warning;
    QMessageBox box(shown, Text(LoadString(IDS_APP_NAME)), QString::fromStdString(text), QMessageBox::Ok, this);
    RunModal(box);
}

void CMainFrame::Beep()
{
    // The Terminal view rings its own bell once per burst, for real bells only.
    if (!TerminalViewOwnsBell(View(m_activeView)))
        QApplication::beep();
}

bool CMainFrame::IsGpsBarVisible() const { return m_gpsBar && !m_gpsBar->isHidden(); }

void CMainFrame::FeedGps(std::uint8_t byte)
{
    if (m_gpsPanel)
        m_gpsPanel->OnReceivedChar(byte);
}

int CMainFrame::RunModal(QDialog& dialog) { return m_runDialog ? m_runDialog(dialog) : dialog.exec(); }

// --- Closing and dropped files ---------------------------------------------------

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (!InPrintPreview() && m_closeQuery && !m_closeQuery()) {
        event->ignore();
        return;
    }
    // A running script and transfer end quietly, their threads gone, before the window goes.
    if (m_scripts)
        m_scripts->StopAndWait();
    if (m_transfers)
        m_transfers->EndNow();
    CFrameWndEx::closeEvent(event);
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    activateWindow();
    emit filesDropped(paths);
}

} // namespace kestrelon
