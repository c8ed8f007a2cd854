// The manual window: every section a Help button names exists in the built-in
// manual and starts the page; an unknown one shows the beginning.
#include "ui/widgets/ManualWindow.h"
#include "ui/widgets/HelpTopics.h"

#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
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

// The find field goes round at the end; Escape closes the window.
TEST(ManualWindow, FindGoesRoundAndEscapeCloses)
{
    QWidget owner;
    CManualWindow* manual = CManualWindow::ShowTopic(&owner);
    manual->FindField()->setText(QStringLiteral("Zoom In"));
    ASSERT_TRUE(manual->FindStep(true));
    const int first = manual->Browser()->textCursor().position();
    for (int i = 0; i < 50 && manual->FindStep(true) && manual->Browser()->textCursor().position() != first; ++i) {
    }
    EXPECT_EQ(manual->Browser()->textCursor().position(), first);
    EXPECT_EQ(manual->Browser()->textCursor().selectedText(), QStringLiteral("Zoom In"));
    manual->FindField()->setText(QStringLiteral("no such words anywhere"));
    EXPECT_FALSE(manual->FindStep(false));
    ASSERT_TRUE(QTest::qWaitForWindowActive(manual));
    QTest::keyClick(manual->FindField(), Qt::Key_Escape);
    EXPECT_FALSE(manual->isVisible());
}

} // namespace
