// Sizes of the dock bar by place: remembered when the user drags, asked for when
// the bar is laid out again.
#include "ui/widgets/SizingDialogBar.h"

#include <QMainWindow>
#include <QResizeEvent>

namespace kestrelon {

CSizingDialogBar::CSizingDialogBar(const QString& title, QWidget* parent) : QDockWidget(title, parent)
{
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                QDockWidget::DockWidgetFloatable);
    setAllowedAreas(Qt::AllDockWidgetAreas);
    setMinimumSize(MIN_SIZE);
}

void CSizingDialogBar::Create(PanelFactory makePanel, int barId)
{
    m_makePanel = std::move(makePanel);
    m_barId = barId;
}

void CSizingDialogBar::setVisible(bool visible)
{
    // Every way a bar comes up, View menu, restored layout or show(), passes here.
    if (visible && !widget() && m_makePanel)
        Host(m_makePanel());
    QDockWidget::setVisible(visible);
}

void CSizingDialogBar::Host(QWidget* panel)
{
    panel->setContentsMargins(MARGIN, MARGIN, MARGIN, MARGIN);
    setWidget(panel);
    const QSize size = panel->sizeHint().expandedTo(MIN_SIZE);
    m_horzSize = size + QSize(0, EDGE_WIDTH + MARGIN);
    m_vertSize = size + QSize(EDGE_WIDTH + MARGIN, 0);
    m_floatSize = size;
}

bool CSizingDialogBar::IsHorizontal() const
{
    auto* frame = qobject_cast<QMainWindow*>(parentWidget());
    if (!frame)
        return false;
    const Qt::DockWidgetArea area = frame->dockWidgetArea(const_cast<CSizingDialogBar*>(this));
    return area == Qt::TopDockWidgetArea || area == Qt::BottomDockWidgetArea;
}

QSize CSizingDialogBar::sizeHint() const
{
    if (isFloating())
        return m_floatSize;
    return IsHorizontal() ? m_horzSize : m_vertSize;
}

void CSizingDialogBar::resizeEvent(QResizeEvent* event)
{
    QDockWidget::resizeEvent(event);
    if (!isVisible())
        return;
    const QSize size = event->size().expandedTo(MIN_SIZE);
    if (isFloating())
        m_floatSize = size;
    else if (IsHorizontal())
        m_horzSize.setHeight(size.height());
    else
        m_vertSize.setWidth(size.width());
}

} // namespace kestrelon
