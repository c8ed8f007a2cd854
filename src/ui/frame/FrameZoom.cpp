// CFrameZoom: the zoom commands, the views' fonts and the first window size.
#include "ui/frame/FrameZoom.h"

#include "document/DataChannel.h"
#include "document/ZoomSetting.h"
#include "ui/frame/MainFrame.h"
#include "ui/frame/TerminalViews.h"
#include "ui/views/ViewZoom.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QFile>
#include <QMenu>
#include <QScreen>
#include <QScrollBar>

namespace kestrelon {

CFrameZoom::CFrameZoom(CMainFrame& frame, ISettingsStore* store) : QObject(&frame), m_frame(frame), m_store(store) {}

void CFrameZoom::BuildMenu(QMenu* viewMenu)
{
    viewMenu->addSeparator();
    QAction* in = viewMenu->addAction(tr("Zoom &In"), this, [this] { Zoom(1); });
    // Ctrl+= is Ctrl++ without the Shift that the plus needs on most layouts.
    in->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Equal), QKeySequence(Qt::CTRL | Qt::Key_Plus)});
    in->setStatusTip(tr("Larger text in the terminal views"));
    QAction* out = viewMenu->addAction(tr("Zoom &Out"), this, [this] { Zoom(-1); });
    out->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
    out->setStatusTip(tr("Smaller text in the terminal views"));
    m_actual = viewMenu->addAction(tr("Actual Si&ze"), this, [this] { Zoom(0); });
    m_actual->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
    m_actual->setStatusTip(tr("The configured font size in the terminal views"));
    for (QAction* action : {in, out, m_actual})
        action->setObjectName(QStringLiteral("zoom") + action->text().remove('&').remove(' '));
}

void CFrameZoom::SetConfigPath(const QString& path)
{
    m_path = QFile::encodeName(path).toStdString();
    const int stored = m_store ? LoadZoom(*m_store, m_path) : m_percent;
    if (ClampZoom(stored) == m_percent)
        return;
    m_percent = ClampZoom(stored);
    Apply();
}

void CFrameZoom::Zoom(int direction)
{
    const int next = NextZoom(m_percent, direction);
    if (next == m_percent)
        return;
    m_percent = next;
    if (m_store)
        SaveZoom(*m_store, m_path, m_percent);
    Apply();
}

void CFrameZoom::ApplyTo(QWidget* view) const
{
    if (!view || ViewZoom(view) == m_percent)
        return;
    SetViewZoom(view, m_percent);
    // The view makes its font again, the zoom now on the widget.
    if (auto* docView = dynamic_cast<IDocumentView*>(view)) {
        CUpdateHint font;
        font.hint = HINT_FONT;
        docView->OnUpdate(font);
    }
}

void CFrameZoom::Apply()
{
    for (int i = 0; i < CMainFrame::VIEW_COUNT; ++i)
        ApplyTo(m_frame.View(i));
}

void CFrameZoom::FitFirstSize()
{
    auto* ascii = qobject_cast<QAbstractScrollArea*>(m_frame.View(0));
    const std::optional<QSize> cell = TerminalViewCellSize(ascii);
    const QScreen* screen = m_frame.screen();
    if (!ascii || !cell || !screen)
        return;
    // Room for the vertical scroll bar, which comes with the first screenful.
    const QSize wanted(FIRST_COLUMNS * cell->width() + ascii->verticalScrollBar()->sizeHint().width(),
                       FIRST_ROWS * cell->height());
    // Before the window manager has framed the window its frame reads as
    // nothing: leave room for a title bar and borders all the same.
    const QSize decoration = (m_frame.frameGeometry().size() - m_frame.size()).expandedTo(QSize(8, 32));
    const QSize size = (m_frame.size() + wanted - ascii->viewport()->size())
                           .boundedTo(screen->availableGeometry().size() - decoration);
    m_frame.resize(size);
}

} // namespace kestrelon
