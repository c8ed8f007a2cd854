// CFrameScripts: the menu, the pane and the link between a script's thread
// and the window. Every call of the script reaches the hub as a queued call on
// the window's thread; the window's thread never waits for the script.
#include "ui/frame/FrameScripts.h"

#include "document/KestronDoc.h"
#include "document/SettingsStore.h"
#include "hub/DataHub.h"
#include "transfer/TransferCodes.h"
#include "transfer/TransferOutcome.h"
#include "ui/frame/FrameTransfers.h"
#include "ui/frame/MainFrame.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

namespace kestrelon {
namespace {

constexpr const char* kRecentGroup = "Scripts";

std::string RecentKey(int index)
{
    return "Recent" + std::to_string(index + 1);
}

} // namespace

CFrameScripts::CFrameScripts(CMainFrame& frame, CKestronDoc& doc, ISettingsStore* store)
    : QObject(&frame), m_frame(frame), m_doc(doc), m_store(store), m_runner(*this)
{
    for (int i = 0; m_store && i < RECENT_COUNT; ++i)
        if (auto path = m_store->Read(kRecentGroup, RecentKey(i)); path && !path->empty())
            m_recent << QString::fromStdString(*path);
}

CFrameScripts::~CFrameScripts()
{
    StopAndWait();
}

void CFrameScripts::BuildMenu(QMenuBar* bar, QAction* before)
{
    m_menu = new QMenu(tr("T&ools"), bar);
    m_menu->setObjectName(QStringLiteral("toolsMenu"));
    m_runAction = m_menu->addAction(tr("&Run Script..."), this, &CFrameScripts::RunScript);
    m_stopAction = m_menu->addAction(tr("&Stop Script"), this, &CFrameScripts::Stop);
    m_recentSeparator = m_menu->addSeparator();
    bar->insertMenu(before, m_menu);
    FillRecentMenu();
    UpdateActions();
}

void CFrameScripts::BuildStatus(QStatusBar* bar)
{
    m_status = new QLabel(bar);
    m_status->setObjectName(QStringLiteral("scriptState"));
    // The pane shows all of its text where the bar has room, and shrinks to
    // sixteen characters where it has not: a long script name never widens
    // the window.
    m_status->setMinimumWidth(m_status->fontMetrics().averageCharWidth() * 16);
    bar->addPermanentWidget(m_status);
    m_status->hide(); // until the first script
}

void CFrameScripts::SetHub(CDataHub* hub)
{
    m_hub = hub;
    if (!m_hub)
        return;
    m_hub->SetScriptFeed([this](const std::uint8_t* data, std::size_t length) {
        if (m_runner.IsRunning())
            m_runner.Feed(data, length);
    });
    m_hub->SetScriptStarter([this](const std::string& path) { Start(QFile::decodeName(path.c_str())); });
}

void CFrameScripts::RunScript()
{
    const QString start = m_recent.isEmpty() ? QString() : QFileInfo(m_recent.front()).absolutePath();
    const QString path =
        QFileDialog::getOpenFileName(&m_frame, tr("Run Script"), start, tr("Lua scripts (*.lua);;All files (*)"));
    if (!path.isEmpty())
        Start(path);
}

bool CFrameScripts::Start(const QString& path)
{
    if (m_runner.IsRunning()) {
        m_frame.ShowStatusMessage(tr("A script is running: Tools > Stop Script ends it.").toStdString());
        return false;
    }
    if (!m_hub || !m_hub->IsConnectionOpen()) {
        m_frame.ShowStatusMessage(tr("No connection is open for the script.").toStdString());
        return false;
    }
    m_lineEnd = m_doc.crToCrLfOnSend ? "\r\n" : "\r";
    m_serial = m_doc.commMode == 0;
    m_modemLines = m_serial && m_hub->ModemLines() != MODEM_LINES_NONE && m_hub->ModemLines() != MODEM_LINES_UNKNOWN;
    {
        std::lock_guard lock(m_mutex);
        m_stopped = false;
        m_posted = 0;
    }
    m_name = QFileInfo(path).fileName();
    RememberRecent(QFileInfo(path).absoluteFilePath());
    qApp->installEventFilter(this);
    m_runner.Start(QFile::encodeName(path).toStdString(), [this](const CScriptResult& result) {
        QMetaObject::invokeMethod(
            this, [this, result] { OnEnded(result); }, Qt::QueuedConnection);
    });
    ShowState(EScriptState::Running);
    UpdateActions();
    return true;
}

void CFrameScripts::Stop()
{
    if (m_runner.IsRunning())
        m_runner.Stop();
}

void CFrameScripts::StopAndWait()
{
    m_runner.Stop();
    m_runner.Join();
    qApp->removeEventFilter(this);
}

bool CFrameScripts::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
        m_runner.IsRunning()) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == &m_frame) {
            m_runner.Stop();
            return true; // the Escape stopped the script; the device does not get it
        }
    }
    return QObject::eventFilter(watched, event);
}

bool CFrameScripts::Send(std::string_view bytes, std::string& /*error*/)
{
    PostToWindow([this, data = std::string(bytes)] {
        if (m_hub)
            m_hub->SendScripted(reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
    });
    return true;
}

std::string CFrameScripts::LineControl(EScriptLine what, int value)
{
    if (!m_serial)
        return SCRIPT_NETWORK_HAS_NO_LINES;
    if (!m_modemLines && (what == EScriptLine::Dtr || what == EScriptLine::Rts))
        return SCRIPT_PORT_HAS_NO_LINES;
    PostToWindow([this, what, value] {
        if (!m_hub)
            return;
        switch (what) {
        case EScriptLine::Dtr:
            m_hub->SendLineAction(value ? LineAction::DtrHigh : LineAction::DtrLow);
            break;
        case EScriptLine::Rts:
            m_hub->SendLineAction(value ? LineAction::RtsHigh : LineAction::RtsLow);
            break;
        case EScriptLine::Break:
            m_hub->SendLineAction(LineAction::Break);
            break;
        case EScriptLine::Baud:
            m_hub->SetLineRate(static_cast<std::uint32_t>(value));
            break;
        }
    });
    return {};
}

std::string CFrameScripts::Transfer(bool send, int protocol, const std::string& path)
{
    std::unique_lock lock(m_mutex);
    if (m_stopped)
        return "stopped";
    m_transferEnded = false;
    QMetaObject::invokeMethod(
        this,
        [this, send, protocol, path] {
            auto ended = [this](int result) {
                m_transferRunning = false;
                {
                    std::lock_guard done(m_mutex);
                    m_transferResult = result;
                    m_transferEnded = true;
                }
                m_changed.notify_all();
            };
            CFrameTransfers* transfers = m_frame.Transfers();
            m_transferRunning = transfers && transfers->StartForScript(send, protocol, path, ended);
            if (!m_transferRunning)
                ended(-1);
        },
        Qt::QueuedConnection);
    m_changed.wait(lock, [this] { return m_transferEnded || m_stopped; });
    if (!m_transferEnded)
        return "stopped";
    if (m_transferResult < 0)
        return "no transfer can start on this connection now";
    return m_transferResult == RESULT_SUCCESS ? std::string() : TransferFailureText(m_transferResult, -1);
}

void CFrameScripts::StopTransfer()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopped = true;
    }
    m_changed.notify_all();
    QMetaObject::invokeMethod(
        this,
        [this] {
            CFrameTransfers* transfers = m_frame.Transfers();
            if (transfers && m_transferRunning)
                transfers->EndNow();
        },
        Qt::QueuedConnection);
}

void CFrameScripts::Log(std::string_view text)
{
    PostToWindow([this, line = std::string(text)] {
        m_frame.ShowStatusMessage(line);
        if (m_hub)
            m_hub->ShowLine(line);
    });
}

void CFrameScripts::OnScriptState(EScriptState state)
{
    PostToWindow([this, state] { ShowState(state); });
}

void CFrameScripts::PostToWindow(std::function<void()> call)
{
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_posted < POSTED_LIMIT || m_stopped; });
        ++m_posted;
    }
    QMetaObject::invokeMethod(
        this,
        [this, call = std::move(call)] {
            call();
            {
                std::lock_guard lock(m_mutex);
                --m_posted;
            }
            m_changed.notify_all();
        },
        Qt::QueuedConnection);
}

void CFrameScripts::OnEnded(const CScriptResult& result)
{
    if (m_runner.IsRunning())
        return; // a newer script started meanwhile
    m_runner.Join();
    qApp->removeEventFilter(this);
    if (!result.error.empty()) {
        m_frame.ShowStatusMessage(result.error);
        if (m_hub)
            m_hub->ShowLine(result.error);
    }
    QString text = tr("%1: %2").arg(m_name, StateText(result.stopped         ? EScriptState::Stopped
                                                      : result.error.empty() ? EScriptState::Ended
                                                                             : EScriptState::Failed));
    if (!result.stopped && result.error.empty() && result.exitCode != 0)
        text += tr(" (exit %1)").arg(result.exitCode);
    m_status->setText(text);
    m_status->setToolTip(text); // the pane may be too narrow for all of it
    m_status->show();
    UpdateActions();
}

void CFrameScripts::ShowState(EScriptState state)
{
    // The end is shown by OnEnded, with the exit code or the error.
    if (!m_status || !m_runner.IsRunning())
        return;
    m_status->setText(tr("%1: %2").arg(m_name, StateText(state)));
    m_status->setToolTip(m_status->text());
    m_status->show();
}

QString CFrameScripts::StateText(EScriptState state)
{
    switch (state) {
    case EScriptState::Running:
        return tr("running");
    case EScriptState::Expecting:
        return tr("waiting for data");
    case EScriptState::Sleeping:
        return tr("sleeping");
    case EScriptState::Transferring:
        return tr("transferring a file");
    case EScriptState::Ended:
        return tr("ended");
    case EScriptState::Failed:
        return tr("error");
    case EScriptState::Stopped:
        return tr("stopped");
    }
    return {};
}

void CFrameScripts::RememberRecent(const QString& path)
{
    m_recent.removeAll(path);
    m_recent.prepend(path);
    while (m_recent.size() > RECENT_COUNT)
        m_recent.removeLast();
    for (int i = 0; m_store && i < RECENT_COUNT; ++i) {
        if (i < m_recent.size())
            m_store->Write(kRecentGroup, RecentKey(i), m_recent[i].toStdString());
        else
            m_store->Remove(kRecentGroup, RecentKey(i));
    }
    FillRecentMenu();
}

void CFrameScripts::FillRecentMenu()
{
    if (!m_menu)
        return;
    qDeleteAll(m_recentActions);
    m_recentActions.clear();
    for (int i = 0; i < m_recent.size(); ++i) {
        const QString path = m_recent[i];
        QAction* action = m_menu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(path));
        connect(action, &QAction::triggered, this, [this, path] { Start(path); });
        m_recentActions << action;
    }
    m_recentSeparator->setVisible(!m_recent.isEmpty());
}

void CFrameScripts::UpdateActions()
{
    const bool running = m_runner.IsRunning();
    if (m_stopAction)
        m_stopAction->setEnabled(running);
    if (m_runAction)
        m_runAction->setEnabled(!running);
    for (QAction* action : m_recentActions)
        action->setEnabled(!running);
}

} // namespace kestrelon
