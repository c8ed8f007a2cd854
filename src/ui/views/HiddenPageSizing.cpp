// CHiddenPageSizing: the stack's resizes passed on to a hidden page at once,
// and to a scroll area's viewport, where its content is fitted.
#include "ui/views/HiddenPageSizing.h"

#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QResizeEvent>
#include <QWidget>

namespace kestrelon {

namespace {

// A hidden widget hears of a new size only when shown: this one hears at once.
void Tell(QWidget* widget, QSize size)
{
    const QSize old = widget->size();
    widget->resize(size);
    QResizeEvent resized(size, old);
    QCoreApplication::sendEvent(widget, &resized);
}

} // namespace

CHiddenPageSizing::CHiddenPageSizing(QWidget* page) : QObject(page), m_page(page)
{
    page->installEventFilter(this);
    if (QWidget* stack = page->parentWidget())
        stack->installEventFilter(this);
}

bool CHiddenPageSizing::eventFilter(QObject* watched, QEvent* event)
{
    QWidget* stack = m_page->parentWidget();
    if (watched == m_page && event->type() == QEvent::ParentChange && stack != nullptr) {
        stack->installEventFilter(this);
        Follow();
    } else if (watched == stack && event->type() == QEvent::Resize) {
        Follow();
    }
    return false;
}

void CHiddenPageSizing::Follow()
{
    QWidget* stack = m_page->parentWidget();
    if (!m_page->isHidden() || stack == nullptr || m_page->size() == stack->size())
        return;
    Tell(m_page, stack->size());
    // A scroll area lays out its viewport on its own resize and fits its
    // content on the viewport's.
    if (auto* area = qobject_cast<QAbstractScrollArea*>(m_page))
        Tell(area->viewport(), area->viewport()->size());
}

} // namespace kestrelon
