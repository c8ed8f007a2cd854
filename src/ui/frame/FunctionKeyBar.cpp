// CFunctionKeyBar: captions per level, level stepping, key clicks, layout.
#include "ui/frame/FunctionKeyBar.h"

#include "automation/FunctionKeys.h"
#include "document/KestronDoc.h"
#include "ui/widgets/DocText.h"

#include <QPushButton>
#include <QResizeEvent>

namespace kestrelon {

namespace {
// Where the first key sits inside the bar.
constexpr int kLeft = 3;
constexpr int kTop = 2;
} // namespace

CFunctionKeyBar::CFunctionKeyBar(QWidget* parent) : QWidget(parent)
{
    for (int key = 0; key < 10; ++key) {
        QPushButton* button = MakeButton(QString());
        button->setObjectName(QStringLiteral("fkey%1").arg(key));
        connect(button, &QPushButton::clicked, this, [this, key] { PressKey(key); });
        m_keys[static_cast<std::size_t>(key)] = button;
    }
    m_levelUp = MakeButton(tr("Level +"));
    m_levelDown = MakeButton(tr("Level -"));
    connect(m_levelUp, &QPushButton::clicked, this, &CFunctionKeyBar::LevelUp);
    connect(m_levelDown, &QPushButton::clicked, this, &CFunctionKeyBar::LevelDown);
    // No connection at start: keys come alive when the frame says so.
    EnableFkeys(false);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QPushButton* CFunctionKeyBar::MakeButton(const QString& text)
{
    auto* button = new QPushButton(text, this);
    // Typing goes to the terminal view: the buttons never keep the keyboard.
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoDefault(false);
    return button;
}

void CFunctionKeyBar::SetDocument(const CKestronDoc* doc)
{
    m_doc = doc;
    RefreshFkeyBar();
}

void CFunctionKeyBar::SetLevel(int level)
{
    m_fkeyLevel = level >= 0 && level < FKEY_LEVELS ? level : 0;
    RefreshFkeyBar();
}

void CFunctionKeyBar::RefreshFkeyBar()
{
    for (int key = 0; key < 10; ++key) {
        const std::string label = m_doc != nullptr ? m_doc->GetFkeyLabel(FkeyIndex(m_fkeyLevel, key)) : std::string();
        m_keys[static_cast<std::size_t>(key)]->setText(
            FromDocText(label));
    }
}

void CFunctionKeyBar::EnableFkeys(bool enable)
{
    for (QPushButton* key : m_keys)
        key->setEnabled(enable);
}

void CFunctionKeyBar::LevelUp()
{
    if (m_doc != nullptr)
        m_fkeyLevel = NextFkeyLevel(*m_doc, m_fkeyLevel);
    RefreshFkeyBar();
    emit FocusViewRequested();
}

void CFunctionKeyBar::LevelDown()
{
    if (m_doc != nullptr)
        m_fkeyLevel = PreviousFkeyLevel(*m_doc, m_fkeyLevel);
    RefreshFkeyBar();
    emit FocusViewRequested();
}

void CFunctionKeyBar::PressKey(int key)
{
    if (key < 0 || key >= 10 || !m_keys[static_cast<std::size_t>(key)]->isEnabled() || m_doc == nullptr)
        return;
    const std::string command = m_doc->GetFkeyCommand(FkeyIndex(m_fkeyLevel, key));
    // An empty command has nothing to send; the focus still goes back.
    if (!command.empty())
        emit SendTextRequested(command);
    emit FocusViewRequested();
}

int CFunctionKeyBar::RowHeight() const
{
    return m_levelUp->sizeHint().height();
}

QSize CFunctionKeyBar::sizeHint() const
{
    return {11 * 80 + 3 + 2 * kLeft, 2 * RowHeight() + 2 * kTop};
}

QSize CFunctionKeyBar::minimumSizeHint() const
{
    return {11 * 10 + 3, 2 * RowHeight() + 2 * kTop};
}

void CFunctionKeyBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const FkeyBarLayout layout = LayoutFkeyBar(event->size().width(), kLeft, kTop, RowHeight());
    for (int i = 0; i < FKEY_BAR_BUTTONS; ++i) {
        const CBarRect& r = layout[static_cast<std::size_t>(i)];
        QPushButton* button =
            i < 10 ? m_keys[static_cast<std::size_t>(i)] : (i == FKEY_BAR_LEVEL_UP ? m_levelUp : m_levelDown);
        button->setGeometry(r.x, r.y, r.width, r.height);
    }
}

} // namespace kestrelon
