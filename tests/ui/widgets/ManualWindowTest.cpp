// The manual window: every section a Help button names exists in the built-in
// manual and starts the page; an unknown one shows the beginning.
#include "ui/widgets/ManualWindow.h"
#include "ui/widgets/HelpTopics.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>

#include <gtest/gtest.h>

using namespace kestrelon;

namespace {

class ManualTopicTest : public ::testing::TestWithParam<const char*> {};

TEST_P(ManualTopicTest, SectionStartsThePage)
{
    QWidget owner;
    CManualWindow* manual = CManualWindow::ShowTopic(&owner, QString::fromLatin1(GetParam()));
    ASSERT_TRUE(manual->isVisible());
    QTextBrowser* browser = manual->Browser();
    const QPoint firstLine(4, browser->fontMetrics().height());
    EXPECT_EQ(browser->cursorForPosition(firstLine).block().text(), QString::fromLatin1(GetParam()));
    // The window's next Help reuses its manual.
    EXPECT_EQ(CManualWindow::ShowTopic(&owner, QStringLiteral("No such section")), manual);
    EXPECT_EQ(browser->verticalScrollBar()->value(), 0);
}

INSTANTIATE_TEST_SUITE_P(Topics, ManualTopicTest,
                         ::testing::Values(help::CONNECTIONS, help::ASCII_VIEW, help::HEX_VIEW, help::TERMINAL,
                                           help::FUNCTION_KEYS, help::AUTO_ANSWERS, help::TRANSFERS));

} // namespace
