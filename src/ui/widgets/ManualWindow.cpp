// CManualWindow: the manual from the program's resources in a text browser.
#include "ui/widgets/ManualWindow.h"

#include <QAbstractTextDocumentLayout>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace kestrelon {

CManualWindow::CManualWindow(QWidget* owner) : QWidget(owner, Qt::Window), m_browser(new QTextBrowser(this))
{
    setObjectName(QStringLiteral("manualWindow"));
    setWindowTitle(tr("Kestrelon Manual"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_browser->setOpenExternalLinks(true);
    m_browser->setSource(QUrl(QString::fromLatin1(RESOURCE)), QTextDocument::MarkdownResource);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    // About 80 characters wide and two thirds of the screen high, never more
    // than the screen holds.
    const int width = m_browser->fontMetrics().averageCharWidth() * 90;
    QSize size(width, width * 3 / 4);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableSize() * 9 / 10);
    resize(size);
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
