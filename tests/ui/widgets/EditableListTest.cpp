// The editable list: which clicks start an edit, how an edit ends (Escape,
// Enter, focus loss, scrolling) and what the cell then holds.
#include "ui/widgets/EditableListCtrl.h"
#include "ui/widgets/InPlaceEdit.h"
#include "support/NamedRows.h"

#include <QApplication>
#include <QDialog>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <functional>
#include <tuple>
#include <utility>
#include <vector>

using namespace kestrelon;

namespace {

using Cell = std::pair<int, int>;
using test::PrintTo;

// A dialog holding a list of 40 rows: column 0 hidden, columns 1 and 2 of text,
// each begin-edit request accepted as the list dialogs accept it.
class ListHarness {
public:
    ListHarness()
    {
        list = new CEditableListCtrl(&dialog);
        auto* layout = new QVBoxLayout(&dialog);
        layout->addWidget(list);
        list->setColumnCount(3);
        list->setRowCount(40);
        for (int row = 0; row < 40; ++row)
            for (int column = 0; column < 3; ++column)
                list->setItem(row, column, new QTableWidgetItem(QStringLiteral("r%1c%2").arg(row).arg(column)));
        list->setColumnWidth(0, 0);
        list->setColumnWidth(1, 120);
        list->setColumnWidth(2, 120);
        QObject::connect(list, &CEditableListCtrl::BeginLabelEdit, [this](int row, int column, const QString&) {
            requests.push_back({row, column});
            list->EditCell(row, column);
        });
        dialog.resize(300, 200);
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
    }
    void Click(Cell cell)
    {
        const QRect rect = list->visualRect(list->model()->index(cell.first, cell.second));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    }
    CInPlaceEdit* StartEdit(Cell cell)
    {
        Click(cell);
        Click(cell);
        return list->ActiveEdit();
    }
    QString Text(Cell cell) const { return list->item(cell.first, cell.second)->text(); }
    // Lets deferred deletions and focus changes happen.
    static void Settle() { QApplication::processEvents(); }

    QDialog dialog;
    CEditableListCtrl* list;
    std::vector<Cell> requests;
};

struct ClickCase {
    const char* name;
    std::vector<Cell> clicks;
    std::vector<Cell> requests;
};

class ListClicks : public ::testing::TestWithParam<ClickCase> {};

TEST_P(ListClicks, SecondClickInSameColumnOfFocusedRowEdits)
{
    ListHarness h;
    for (const Cell& cell : GetParam().clicks) {
        h.Click(cell);
        ListHarness::Settle();
    }
    EXPECT_EQ(h.requests, GetParam().requests);
}

INSTANTIATE_TEST_SUITE_P(Clicks, ListClicks,
                         ::testing::Values(ClickCase{"SingleClickOnlySelects", {{1, 1}}, {}},
                                           ClickCase{"SecondClickSameCell", {{1, 1}, {1, 1}}, {{1, 1}}},
                                           ClickCase{"SecondClickOtherColumn", {{1, 1}, {1, 2}}, {}},
                                           ClickCase{"ThirdClickInNewColumn", {{1, 1}, {1, 2}, {1, 2}}, {{1, 2}}},
                                           ClickCase{"SameColumnOtherRow", {{1, 1}, {2, 1}}, {}},
                                           ClickCase{"BackToFirstRow", {{1, 1}, {2, 1}, {1, 1}}, {}},
                                           ClickCase{"OtherRowThenAgain", {{1, 1}, {2, 1}, {2, 1}}, {{2, 1}}}),
                         test::RowName);

// However the edit ends, the dialog neither accepts nor rejects: the keys stay
// with the edit. Only Escape keeps the old text.
TEST(InPlaceEdit, EscapeKeepsOldTextEveryOtherEndTakesTheTyped)
{
    const auto key = [](Qt::Key k) { return [k](ListHarness& h) { QTest::keyClick(h.list->ActiveEdit(), k); }; };
    const std::vector<std::tuple<const char*, std::function<void(ListHarness&)>, bool>> rows = {
        {"Escape", key(Qt::Key_Escape), true},
        {"Return", key(Qt::Key_Return), false},
        {"Enter", key(Qt::Key_Enter), false},
        {"FocusToList", [](ListHarness& h) { h.list->setFocus(); }, false},
        {"ScrollBarStep",
         [](ListHarness& h) { h.list->verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd); },
         false},
        {"Wheel",
         [](ListHarness& h) {
             const QPointF at(10, 10);
             QWheelEvent wheel(at, h.list->viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                               Qt::NoModifier, Qt::NoScrollPhase, false);
             QApplication::sendEvent(h.list->viewport(), &wheel);
         },
         false},
    };
    for (const auto& [name, end, cancelled] : rows) {
        ListHarness h;
        CInPlaceEdit* edit = h.StartEdit({3, 2});
        ASSERT_NE(edit, nullptr) << name;
        EXPECT_EQ(edit->text(), QStringLiteral("r3c2")) << name;
        QSignalSpy ended(edit, &CInPlaceEdit::EndLabelEdit);
        QTest::keyClicks(edit, QStringLiteral("typed"));
        end(h);
        ListHarness::Settle();
        EXPECT_EQ(h.Text({3, 2}), cancelled ? QStringLiteral("r3c2") : QStringLiteral("typed")) << name;
        ASSERT_EQ(ended.count(), 1) << name;
        EXPECT_EQ(ended.at(0).at(3).toBool(), cancelled) << name;
        EXPECT_EQ(h.list->ActiveEdit(), nullptr) << name;
        EXPECT_TRUE(h.dialog.isVisible()) << name;
    }
}

TEST(EditableList, EditBoxLiesOverItsCellInsideTheListAndAMissingCellHasNone)
{
    ListHarness h;
    for (const Cell& cell : std::vector<Cell>{{-1, 1}, {40, 1}, {0, 3}, {0, -1}})
        EXPECT_EQ(h.list->EditCell(cell.first, cell.second), nullptr) << cell.first << "," << cell.second;
    h.list->verticalScrollBar()->setValue(h.list->verticalScrollBar()->maximum());
    CInPlaceEdit* edit = h.list->EditCell(2, 2); // scrolled out of view: brought back
    ASSERT_NE(edit, nullptr);
    const QRect cell = h.list->visualRect(h.list->model()->index(2, 2));
    EXPECT_EQ(edit->geometry().top(), cell.top());
    EXPECT_EQ(edit->geometry().left(), cell.left());
    EXPECT_LE(edit->geometry().right(), h.list->viewport()->width());
    EXPECT_GE(cell.top(), 0);
}

TEST(InPlaceEdit, GrowsWithLongTextUpToTheListEdge)
{
    ListHarness h;
    CInPlaceEdit* edit = h.StartEdit({0, 1});
    ASSERT_NE(edit, nullptr);
    const int before = edit->width();
    QTest::keyClicks(edit, QString(80, QLatin1Char('W')));
    EXPECT_GT(edit->width(), before);
    EXPECT_LE(edit->geometry().right(), h.list->viewport()->width() - 2);
}

} // namespace

TEST(EditableList, DoubleClickEditsTheCellUnderTheMouse)
{
    ListHarness h;
    const QRect rect = h.list->visualRect(h.list->model()->index(5, 2));
    QTest::mouseDClick(h.list->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    ListHarness::Settle();
    ASSERT_NE(h.list->ActiveEdit(), nullptr);
    EXPECT_EQ(std::make_pair(h.list->ActiveEdit()->Item(), h.list->ActiveEdit()->SubItem()), Cell(5, 2));
}

// Tab and Shift+Tab take the typed text and go on to the next editable cell,
// row by row past the hidden column; at the end of the list the edit just ends.
TEST(InPlaceEdit, TabMovesToTheNextCell)
{
    const std::vector<std::tuple<Cell, Qt::Key, Qt::KeyboardModifiers, Cell>> rows = {
        {{3, 1}, Qt::Key_Tab, Qt::NoModifier, {3, 2}},     {{3, 2}, Qt::Key_Tab, Qt::NoModifier, {4, 1}},
        {{3, 1}, Qt::Key_Backtab, Qt::ShiftModifier, {2, 2}}, {{3, 2}, Qt::Key_Tab, Qt::ShiftModifier, {3, 1}},
        {{39, 2}, Qt::Key_Tab, Qt::NoModifier, {-1, -1}},    {{0, 1}, Qt::Key_Backtab, Qt::ShiftModifier, {-1, -1}}};
    for (const auto& [from, key, modifiers, to] : rows) {
        ListHarness h;
        h.list->scrollToItem(h.list->item(from.first, from.second));
        CInPlaceEdit* edit = h.list->EditCell(from.first, from.second);
        ASSERT_NE(edit, nullptr);
        QTest::keyClicks(edit, QStringLiteral("typed"));
        QTest::keyClick(edit, key, modifiers);
        ListHarness::Settle();
        EXPECT_EQ(h.Text(from), QStringLiteral("typed"));
        CInPlaceEdit* next = h.list->ActiveEdit();
        EXPECT_EQ(next ? Cell(next->Item(), next->SubItem()) : Cell(-1, -1), to) << from.first << "," << from.second;
        EXPECT_TRUE(h.dialog.isVisible());
    }
}
