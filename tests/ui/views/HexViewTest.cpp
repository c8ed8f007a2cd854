// Hex view widget: coloured rows in a grab, following new data with its own
// autoscroll flag and the line limit from the hints.
#include "ui/views/HexView.h"

#include "document/KestronDoc.h"
#include "ui/views/ViewTestSupport.h"

#include <QApplication>
#include <QScrollBar>
#include <gtest/gtest.h>

namespace kestrelon {
namespace {

using test::CountPixels;
using test::Receive;

TEST(HexView, RowsAreDrawnInTheColourOfTheirBytes)
{
    CKestronDoc doc;
    CHexView view(doc);
    view.resize(800, 300);
    view.show();
    Receive(doc, "0123456789ABCDEF");
    doc.AddByte('x', SEND_COLOUR);
    view.OnTimer();
    const QImage image = view.viewport()->grab().toImage();
    const int cell = view.CellSize().height();
    const QRect first(0, 0, image.width(), cell);
    const QRect second(0, cell, image.width(), cell);
    const QRect third(0, 2 * cell, image.width(), cell);
    EXPECT_GT(CountPixels(image, first, qRgb(0, 0, 255)), 0);
    EXPECT_EQ(CountPixels(image, first, qRgb(255, 0, 0)), 0);
    EXPECT_GT(CountPixels(image, second, qRgb(255, 0, 0)), 0);
    EXPECT_EQ(CountPixels(image, second, qRgb(0, 0, 255)), 0);
    const QRgb window = view.palette().color(QPalette::Base).rgb();
    EXPECT_EQ(CountPixels(image, third, window), third.width() * third.height());
}

TEST(HexView, FollowsNewDataOnlyWithItsOwnAutoscroll)
{
    CKestronDoc doc;
    CHexView follower(doc);
    CHexView still(doc);
    for (CHexView* view : {&follower, &still}) {
        view->resize(700, 10 * view->CellSize().height());
        view->show();
    }
    still.ToggleAutoscroll();
    ASSERT_TRUE(follower.IsAutoscroll());
    ASSERT_FALSE(still.IsAutoscroll());

    Receive(doc, std::string(16 * 100, 'a'));
    follower.OnTimer();
    still.OnTimer();
    EXPECT_GT(follower.verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(follower.verticalScrollBar()->value(), follower.verticalScrollBar()->maximum());
    EXPECT_EQ(still.verticalScrollBar()->value(), 0);

    // Scrolled back by hand, a view with autoscroll on is brought back by new data.
    follower.verticalScrollBar()->setValue(0);
    doc.AddByte('b', RECEIVE_COLOUR);
    follower.OnTimer();
    EXPECT_EQ(follower.verticalScrollBar()->value(), follower.verticalScrollBar()->maximum());

    // Hidden (another view on show), it follows when it is shown again.
    follower.hide();
    const int before = follower.verticalScrollBar()->maximum();
    Receive(doc, std::string(16 * 100, 'c'));
    follower.OnTimer();
    follower.show();
    EXPECT_GT(follower.verticalScrollBar()->maximum(), before);
    EXPECT_EQ(follower.verticalScrollBar()->value(), follower.verticalScrollBar()->maximum());
}

} // namespace
} // namespace kestrelon
