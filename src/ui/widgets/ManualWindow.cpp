// CManualWindow: the manual from the program's resources in a text browser.
#include "ui/widgets/ManualWindow.h"

#include <QAbstractTextDocumentLayout>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QShortcut>
#include <QScreen>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QVBoxLayout>

#include <algorithm>

namespace kestrelon {

CManualWindow::CManualWindow(QWidget* owner)
    : QWidget(owner, Qt::Window), m_browser(new QTextBrowser(this)), m_find(new QLineEdit(this))
{
    setObjectName(QStringLiteral("manualWindow"));
    setWindowTitle(tr("Kestrelon Manual"));
    setAttribute(Qt::WA_DeleteOnClose);
    // Links inside the manual name a section by its heading ("#Logging");
    // the rest belong to the desktop's browser.
    m_browser->setOpenLinks(false);
    connect(m_browser, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        if (url.isRelative() && url.path().isEmpty() && url.hasFragment())
            ScrollToHeading(url.fragment(QUrl::FullyDecoded));
        else
            QDesktopServices::openUrl(url);
    });
    m_browser->setSource(QUrl(QString::fromLatin1(RESOURCE)), QTextDocument::MarkdownResource);
    m_find->setObjectName(QStringLiteral("manualFind"));
    m_find->setPlaceholderText(tr("Find in the manual (Enter: next, Shift+Enter: previous)"));
    m_find->setClearButtonEnabled(true);
    connect(m_find, &QLineEdit::returnPressed, this,
            [this] { FindStep(!(QGuiApplication::keyboardModifiers() & Qt::ShiftModifier)); });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_find);
    layout->addWidget(m_browser);
    auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(close, &QShortcut::activated, this, &QWidget::close);
    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [this] {
        m_find->setFocus();
        m_find->selectAll();
    });
    // Lines of about 100 characters, two thirds of the screen's height, never more
    // than the screen holds; over the middle of the window that asked.
    const QRect screen = owner && owner->screen() ? owner->screen()->availableGeometry()
                                                  : QGuiApplication::primaryScreen()->availableGeometry();
    // The window manager's frame comes on top of this size, hence the margin.
    const QSize size = QSize(m_browser->fontMetrics().averageCharWidth() * 110, screen.height() * 2 / 3)
                           .boundedTo(screen.size() * 3 / 4);
    resize(size);
    // Placed with the frame the owner has, which a window not yet shown lacks.
    const QMargins frame = owner ? QMargins(owner->geometry().left() - owner->frameGeometry().left(),
                                            owner->geometry().top() - owner->frameGeometry().top(),
                                            owner->frameGeometry().right() - owner->geometry().right(),
                                            owner->frameGeometry().bottom() - owner->geometry().bottom())
                                 : QMargins();
    QRect placed = QRect(QPoint(), size).marginsAdded(frame);
    placed.moveCenter(owner ? owner->frameGeometry().center() : screen.center());
    placed.moveTo(
        std::clamp(placed.left(), screen.left(), std::max(screen.left(), screen.right() + 1 - placed.width())),
        // The manager may put the frame's top a little lower than asked: room for a second one.
        std::clamp(placed.top(), screen.top(),
                   std::max(screen.top(), screen.bottom() + 1 - placed.height() - frame.top())));
    move(placed.topLeft());
}

CManualWindow* CManualWindow::ShowTopic(QWidget* from, const QString& heading)
{
    QWidget* owner = from ? from->window() : nullptr;
    auto* manual = owner ? owner->findChild<CManualWindow*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!manual)
        manual = new CManualWindow(owner);
    manual->show();
    manual->raise();
    manual->activateWindow();
    if (heading.isEmpty() || !manual->ScrollToHeading(heading))
        manual->m_browser->verticalScrollBar()->setValue(0);
    return manual;
}

bool CManualWindow::FindStep(bool forward)
{
    const QString text = m_find->text();
    if (text.isEmpty())
        return false;
    const QTextDocument::FindFlags flags = forward ? QTextDocument::FindFlags() : QTextDocument::FindBackward;
    if (m_browser->find(text, flags))
        return true;
    // Round from the other end, as the find bar of the views does.
    QTextCursor cursor = m_browser->textCursor();
    cursor.movePosition(forward ? QTextCursor::Start : QTextCursor::End);
    m_browser->setTextCursor(cursor);
    return m_browser->find(text, flags);
}

bool CManualWindow::ScrollToHeading(const QString& heading)
{
    QTextDocument* document = m_browser->document();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() == 0 || block.text() != heading)
            continue;
        const QRectF where = document->documentLayout()->blockBoundingRect(block);
        m_browser->verticalScrollBar()->setValue(int(where.top()));
        return true;
    }
    return false;
}

} // namespace kestrelon
