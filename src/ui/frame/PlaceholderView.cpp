// Placeholder view: an empty white area that counts the hints it is given.
#include "ui/frame/PlaceholderView.h"

namespace kestrelon {

CPlaceholderView::CPlaceholderView(const QString& name, QWidget* parent) : QWidget(parent)
{
    setObjectName(name);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::white);
    setPalette(colours);
    setFocusPolicy(Qt::StrongFocus);
}

void CPlaceholderView::OnUpdate(const CUpdateHint& hint)
{
    ++m_hints;
    m_lastHint = hint.hint;
}

} // namespace kestrelon
