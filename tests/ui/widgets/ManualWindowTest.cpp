// The manual window: every section a Help button names exists in the built-in
// manual and comes to the top of the page; an unknown one shows the beginning.
#include "ui/widgets/ManualWindow.h"
#include "ui/widgets/HelpTopics.h"

#include <QAbstractTextDocumentLayout>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>

#include <gtest/gtest.h>

using namespace kestrelon;

namespace {

// Where the heading's block starts, in the browser's viewport.
int HeadingTop(QTextBrowser& browser, const QString& heading)
{
    QTextDocument* document = browser.document();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        if (block.blockFormat().headingLevel() > 0 && block.text() == heading)
            return int(document->documentLayout()->blockBoundingRect(block).top()) -
                   browser.verticalScrollBar()->value();
    return -1;
}

class ManualTopicTest : public ::testing::TestWithParam<const char*> {};

TEST_P(ManualTopicTest, SectionStartsThePage)
{
    QWidget owner;
    CManualWindow* manual = CManualWindow::ShowTopic(&owner, QString::fromLatin1(GetParam()));
    ASSERT_TRUE(manual->isVisible());
    QTextBrowser& browser = *manual->Browser();
    const int top = HeadingTop(browser, QString::fromLatin1(GetParam()));
    ASSERT_GE(top, 0) << "no such heading in the manual";
    EXPECT_LT(top, browser.viewport()->height() / 4);
    EXPECT_GT(browser.verticalScrollBar()->value(), 0); // no section is the first line
    // A second Help of the same window reuses its manual.
    EXPECT_EQ(CManualWindow::ShowTopic(&owner, QStringLiteral("No such section")), manual);
    EXPECT_EQ(browser.verticalScrollBar()->value(), 0);
}

INSTANTIATE_TEST_SUITE_P(Topics, ManualTopicTest,
                         ::testing::Values(help::CONNECTIONS, help::ASCII_VIEW, help::HEX_VIEW, help::TERMINAL,
                                           help::FUNCTION_KEYS, help::AUTO_ANSWERS, help::TRANSFERS));

} // namespace
