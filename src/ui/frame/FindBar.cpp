// CFindBar: the widgets, Enter and Shift+Enter, Escape.
#include "ui/frame/FindBar.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace kestrelon {

CFindBar::CFindBar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FindBar"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    auto* close = new QToolButton(this);
    close->setText(QStringLiteral("\u00D7"));
    close->setToolTip(tr("Close (Escape)"));
    close->setAutoRaise(true);
    layout->addWidget(close);
    layout->addWidget(new QLabel(tr("Find:"), this));
    m_text = new QLineEdit(this);
    m_text->setObjectName(QStringLiteral("FindText"));
    m_text->setPlaceholderText(tr("text, or hex bytes such as 0D 0A in the hex view"));
    layout->addWidget(m_text, 1);
    auto* previous = new QToolButton(this);
    previous->setText(tr("Previous"));
    previous->setToolTip(tr("Find the previous match (Shift+F3)"));
    layout->addWidget(previous);
    auto* next = new QToolButton(this);
    next->setText(tr("Next"));
    next->setToolTip(tr("Find the next match (Enter, F3)"));
    layout->addWidget(next);
    m_matchCase = new QCheckBox(tr("Match case"), this);
    layout->addWidget(m_matchCase);
    m_result = new QLabel(this);
    m_result->setObjectName(QStringLiteral("FindResult"));
    m_result->setMinimumWidth(m_result->fontMetrics().horizontalAdvance(QStringLiteral("No match")) + 8);
    layout->addWidget(m_result);

    connect(m_text, &QLineEdit::textChanged, this, &CFindBar::patternChanged);
    connect(m_matchCase, &QCheckBox::toggled, this, &CFindBar::patternChanged);
    connect(m_text, &QLineEdit::returnPressed, this, [this] {
        emit stepRequested((QGuiApplication::keyboardModifiers() & Qt::ShiftModifier) == 0);
    });
    connect(previous, &QToolButton::clicked, this, [this] { emit stepRequested(false); });
    connect(next, &QToolButton::clicked, this, [this] { emit stepRequested(true); });
    connect(close, &QToolButton::clicked, this, [this] {
        hide();
        emit closed();
    });
}

void CFindBar::Open()
{
    show();
    m_text->setFocus(Qt::ShortcutFocusReason);
    m_text->selectAll();
}

QString CFindBar::Text() const
{
    return m_text->text();
}

bool CFindBar::MatchCase() const
{
    return m_matchCase->isChecked();
}

void CFindBar::ShowResult(bool found)
{
    m_result->setText(found || m_text->text().isEmpty() ? QString() : QStringLiteral("No match"));
}

void CFindBar::showEvent(QShowEvent* event)
{
    // The clear button's picture comes from the icon theme, whose first lookup
    // reads the theme files: done on first use, not while the window starts.
    m_text->setClearButtonEnabled(true);
    QWidget::showEvent(event);
}

void CFindBar::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        hide();
        emit closed();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace kestrelon
