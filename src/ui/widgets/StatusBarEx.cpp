// Panes of the extended status bar, their hit test and the mouse reports.
#include "ui/widgets/StatusBarEx.h"

#include <QDialog>
#include <QEvent>
#include <QLabel>
#include <QLayout>
#include <QMouseEvent>
#include <QToolTip>

#include <algorithm>

namespace kestrelon {

namespace {
// Room around a pane's text: the sunken frame and a little air on both sides.
constexpr int kPanePadding = 8;
} // namespace

CStatusBarEx::CStatusBarEx(QWidget* parent) : QStatusBar(parent)
{
    setSizeGripEnabled(true);
    auto* message = new QLabel(this);
    message->setAttribute(Qt::WA_TransparentForMouseEvents);
    message->setMinimumWidth(1);
    // A normal widget: status prompts of menus hide it while they are shown.
    addWidget(message, 1);
    message->installEventFilter(this);
    m_panes.push_back(message);
    m_ids.push_back(0);
}

QLabel* CStatusBarEx::MakePane(const QString& text)
{
    auto* pane = new QLabel(text, this);
    pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pane->setAttribute(Qt::WA_TransparentForMouseEvents);
    pane->setTextFormat(Qt::PlainText);
    pane->installEventFilter(this);
    return pane;
}

void CStatusBarEx::SetPanes(const std::vector<int>& ids, const std::vector<QString>& texts)
{
    // Layout events fire while panes come and go: the lists must only ever hold
    // live panes, and nobody is told about moves until the new set is complete.
    m_rebuilding = true;
    // The same set again (a connection applied in the mode it had) keeps its
    // panes: making them anew costs a layout pass each.
    if (!std::equal(ids.begin(), ids.end(), m_ids.begin() + 1, m_ids.end()))
        MakePanes(ids);
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const QString text = i < texts.size() ? texts[i] : QString();
        m_panes[i + 1]->setText(text);
        m_panes[i + 1]->setFixedWidth(TextWidth(text) + kPanePadding);
    }
    m_rebuilding = false;
    SettleLayout();
    OnPanesMoved();
}

void CStatusBarEx::MakePanes(const std::vector<int>& ids)
{
    std::vector<QLabel*> old(m_panes.begin() + 1, m_panes.end());
    m_panes.resize(1);
    m_ids.resize(1);
    for (QLabel* pane : old) {
        removeWidget(pane);
        delete pane;
    }
    for (const int id : ids) {
        QLabel* pane = MakePane(QString());
        m_panes.push_back(pane);
        m_ids.push_back(id);
        addPermanentWidget(pane);
    }
}

int CStatusBarEx::PaneId(int index) const
{
    return index >= 0 && index < PaneCount() ? m_ids[static_cast<std::size_t>(index)] : -1;
}

int CStatusBarEx::PaneIndex(int id) const
{
    for (int i = 1; i < PaneCount(); ++i)
        if (m_ids[static_cast<std::size_t>(i)] == id)
            return i;
    return -1;
}

QString CStatusBarEx::PaneText(int index) const
{
    if (index == 0)
        return m_message;
    return index > 0 && index < PaneCount() ? m_panes[static_cast<std::size_t>(index)]->text() : QString();
}

bool CStatusBarEx::SetPaneText(int index, const QString& text)
{
    if (index < 0 || index >= PaneCount())
        return false;
    if (index == 0) {
        m_message = text;
        FitMessage();
        return true;
    }
    m_panes[static_cast<std::size_t>(index)]->setText(text);
    return true;
}

int CStatusBarEx::TextWidth(const QString& text) const { return fontMetrics().horizontalAdvance(text); }

void CStatusBarEx::SetPaneWidth(int index, int width)
{
    if (index <= 0 || index >= PaneCount())
        return; // the message pane stretches
    m_panes[static_cast<std::size_t>(index)]->setFixedWidth(width + kPanePadding);
    SettleLayout();
}

int CStatusBarEx::PaneWidth(int index) const
{
    if (index < 0 || index >= PaneCount())
        return 0;
    return m_panes[static_cast<std::size_t>(index)]->width() - kPanePadding;
}

QRect CStatusBarEx::PaneRect(int index) const
{
    if (index < 0 || index >= PaneCount())
        return {};
    return m_panes[static_cast<std::size_t>(index)]->geometry();
}

int CStatusBarEx::PaneAt(const QPoint& local) const
{
    for (int i = 0; i < PaneCount(); ++i)
        if (PaneRect(i).contains(local))
            return i;
    return -1;
}

int CStatusBarEx::HitTestPane(const QPoint& point) const
{
    QPoint local = point;
    if (auto* dialog = qobject_cast<QDialog*>(parentWidget()))
        local = mapFrom(dialog, point);
    return PaneAt(local);
}

void CStatusBarEx::SetIdleText(const QString& text)
{
    m_idleText = text;
    ShowMessagePane();
}

void CStatusBarEx::ShowMessageText(const QString& text)
{
    m_messageText = text;
    ShowMessagePane();
}

void CStatusBarEx::ShowProgressText(const QString& text)
{
    m_progressText = text;
    ShowMessagePane();
}

void CStatusBarEx::ShowMessagePane()
{
    if (!m_progressText.isEmpty())
        m_message = m_progressText;
    else
        m_message = m_messageText.isEmpty() ? m_idleText : m_messageText;
    FitMessage();
}

void CStatusBarEx::FitMessage()
{
    // The fixed panes come first: in a narrow window, or with large fonts, a
    // long report would otherwise lose its end without a sign.
    QLabel* pane = m_panes.front();
    const QString shown = pane->fontMetrics().elidedText(m_message, Qt::ElideRight, pane->contentsRect().width());
    pane->setText(shown);
}

bool CStatusBarEx::event(QEvent* event)
{
    // The panes let the mouse through to the bar, so the bar shows the whole
    // message when the pane holds it cut short.
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        if (PaneAt(help->pos()) == 0 && m_panes.front()->text() != m_message) {
            QToolTip::showText(help->globalPos(), m_message, this);
            return true;
        }
    }
    return QStatusBar::event(event);
}

void CStatusBarEx::SettleLayout()
{
    if (layout())
        layout()->activate();
}

bool CStatusBarEx::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_panes.front() && event->type() == QEvent::Resize)
        FitMessage();
    if (!m_rebuilding && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        OnPanesMoved();
    return QStatusBar::eventFilter(watched, event);
}

void CStatusBarEx::resizeEvent(QResizeEvent* event)
{
    QStatusBar::resizeEvent(event);
    if (!m_rebuilding)
        OnPanesMoved();
}

void CStatusBarEx::Report(QMouseEvent* event)
{
    emit mouseAction(event->type(), event->button(), event->position().toPoint());
}

void CStatusBarEx::mousePressEvent(QMouseEvent* event)
{
    Report(event);
    QStatusBar::mousePressEvent(event);
}

void CStatusBarEx::mouseReleaseEvent(QMouseEvent* event)
{
    Report(event);
    QStatusBar::mouseReleaseEvent(event);
}

void CStatusBarEx::mouseMoveEvent(QMouseEvent* event)
{
    Report(event);
    QStatusBar::mouseMoveEvent(event);
}

void CStatusBarEx::mouseDoubleClickEvent(QMouseEvent* event)
{
    Report(event);
    const QPoint point = event->position().toPoint();
    const int pane = PaneAt(point);
    emit paneDoubleClicked(pane, point);
    if (pane >= 0)
        OnPaneDoubleClick(pane);
    QStatusBar::mouseDoubleClickEvent(event);
}

} // namespace kestrelon
