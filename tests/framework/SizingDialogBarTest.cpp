// Dock bar sizes: taken from the hosted panel with room for the sizing edge,
// asked for by place, and the user's docked size remembered.
#include "framework/SizingDialogBar.h"

#include "framework/EventWait.h"

#include <QMainWindow>
#include <gtest/gtest.h>

namespace kestrelon {
namespace {

class CFixedPanel : public QWidget {
public:
    QSize sizeHint() const override { return {150, 80}; }
};

TEST(SizingDialogBarTest, SizesComeFromThePanelWithRoomForTheEdge)
{
    QMainWindow frame;
    auto* bar = new CSizingDialogBar(QStringLiteral("GPS Status"), &frame);
    bar->Create(new CFixedPanel, 141);
    EXPECT_EQ(bar->BarId(), 141);
    EXPECT_EQ(bar->HorzSize(), QSize(150, 89));
    EXPECT_EQ(bar->VertSize(), QSize(159, 80));
    EXPECT_EQ(bar->FloatSize(), QSize(150, 80));

    const std::vector<std::pair<Qt::DockWidgetArea, QSize>> places{{Qt::LeftDockWidgetArea, {159, 80}},
                                                                   {Qt::BottomDockWidgetArea, {150, 89}},
                                                                   {Qt::TopDockWidgetArea, {150, 89}},
                                                                   {Qt::RightDockWidgetArea, {159, 80}}};
    for (const auto& [area, size] : places) {
        frame.addDockWidget(area, bar);
        EXPECT_EQ(bar->sizeHint(), size) << area;
    }
    bar->setFloating(true);
    EXPECT_EQ(bar->sizeHint(), QSize(150, 80));
}

TEST(SizingDialogBarTest, DockedWidthTheUserSetIsKept)
{
    QMainWindow frame;
    frame.setCentralWidget(new QWidget);
    auto* bar = new CSizingDialogBar(QStringLiteral("GPS Status"), &frame);
    bar->Create(new CFixedPanel, 141);
    frame.addDockWidget(Qt::LeftDockWidgetArea, bar);
    frame.resize(800, 600);
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    frame.resizeDocks({bar}, {300}, Qt::Horizontal);
    ASSERT_TRUE(test::WaitFor([&] { return bar->width() == 300; }));
    EXPECT_EQ(bar->VertSize().width(), 300);
    EXPECT_EQ(bar->HorzSize(), QSize(150, 89)); // the other places keep theirs
}

} // namespace
} // namespace kestrelon
