// Extended status bar: pane bookkeeping and the hit test, also inside a dialog.
#include "ui/widgets/StatusBarEx.h"
#include "support/EventWait.h"

#include <QDialog>
#include <QLabel>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace kestrelon {
namespace {

class StatusBarExTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        bar.resize(600, 24);
        bar.SetPanes({101, 102, 103}, {QStringLiteral("first"), QStringLiteral("second pane"), QStringLiteral("x")});
        bar.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    }
    CStatusBarEx bar;
};

TEST_F(StatusBarExTest, PointsOutsideOrBetweenPanesHitNothing)
{
    const QRect first = bar.PaneRect(1);
    const QRect second = bar.PaneRect(2);
    const std::vector<QPoint> outside{{-5, 10}, {10, -3}, {10, 500}, {second.center().x(), bar.height() + 2}};
    for (const QPoint& point : outside)
        EXPECT_EQ(bar.HitTestPane(point), -1) << point.x() << "," << point.y();
    if (second.left() > first.right() + 1) { // a gap between the panes
        EXPECT_EQ(bar.HitTestPane({first.right() + 1, first.center().y()}), -1);
    }
}

// A report longer than the room left by the fixed panes is cut with an
// ellipsis and whole again once the bar is wide enough; the bar still knows it whole.
TEST_F(StatusBarExTest, LongReportIsCutVisiblyAndKeptWhole)
{
    const QString report = QStringLiteral("Connect error #10061 (WSAECONNREFUSED) on the way to the far device");
    bar.ShowMessageText(report);
    const auto* pane = bar.findChildren<QLabel*>().front();
    EXPECT_EQ(bar.PaneText(0), report);
    EXPECT_TRUE(pane->text().endsWith(QChar(0x2026))) << pane->text().toStdString();
    bar.resize(bar.TextWidth(report) + bar.width(), 24);
    EXPECT_TRUE(test::WaitFor([&] { return pane->text() == report; }));
}

TEST(StatusBarExDialogTest, HitTestInDialogTakesDialogCoordinates)
{
    QDialog dialog;
    auto* layout = new QVBoxLayout(&dialog);
    layout->setContentsMargins(20, 30, 20, 10);
    layout->addStretch(1);
    auto* bar = new CStatusBarEx(&dialog);
    layout->addWidget(bar);
    bar->SetPanes({7}, {QStringLiteral("pane")});
    dialog.resize(400, 200);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    const QPoint inBar = bar->PaneRect(1).center();
    EXPECT_EQ(bar->HitTestPane(bar->mapTo(&dialog, inBar)), 1);
}

} // namespace
} // namespace kestrelon
