// CKestronView on the offscreen platform: typed and pasted characters posted to
// the frame, mouse and keyboard selection, clipboard, autoscroll, the repaint
// timer, colours on screen, fonts and printing to PDF.
#include "ui/views/KestronView.h"

#include "document/ByteBlock.h"
#include "document/KestronDoc.h"
#include "document/Messages.h"
#include "framework/PumpedTarget.h"
#include "support/NamedRows.h"
#include "support/TempDir.h"
#include "ui/views/AsciiPrinter.h"
#include "ui/views/ViewTestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QPrinter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace kestrelon {
namespace {

using test::PrintTo;

class AsciiView : public ::testing::Test {
protected:
    AsciiView()
    {
        frame.SetHandler([this](CMessage& m) {
            if (m.message == WM_TERMINAL && m.wParam == TC_TYPED_CHAR)
                typed.push_back(static_cast<int>(m.lParam));
            else if (auto block = m.wParam == TC_PASTE ? m.TakePayload<CByteBlock>() : nullptr)
                typed.insert(typed.end(), block->data(), block->data() + block->length());
            else
                others.push_back(m.message);
            return std::intptr_t{0};
        });
        doc.font = test::LogFont("Courier New", 20);
        view = std::make_unique<CKestronView>(doc, frame);
        view->resize(640, 480);
        view->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        view->setFocus();
    }

    // Through the document's channel, which cuts text for views that take runs.
    void Receive(const std::string& text, COLORREF colour = RECEIVE_COLOUR)
    {
        doc.AddText(reinterpret_cast<const std::uint8_t*>(text.data()), static_cast<int>(text.size()), colour);
    }

    std::vector<int> Typed()
    {
        frame.Pump();
        return typed;
    }

    QPoint CellCentre(int column, int row) const
    {
        return {column * view->CellWidth() + view->CellWidth() / 2 - view->horizontalScrollBar()->value(),
                row * view->CellHeight() + view->CellHeight() / 2 - view->verticalScrollBar()->value()};
    }

    void Drag(QPoint from, QPoint to)
    {
        QTest::mousePress(view->viewport(), Qt::LeftButton, Qt::NoModifier, from);
        QTest::mouseMove(view->viewport(), to);
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, Qt::NoModifier, to);
    }

    static QString Clipboard() { return QGuiApplication::clipboard()->text(); }

    CKestronDoc doc;
    CPumpedTarget frame;
    std::vector<int> typed;
    std::vector<std::uint32_t> others;
    std::unique_ptr<CKestronView> view;
};

// --- Typed and pasted characters --------------------------------------------------------

struct KeyCase {
    const char* name;
    int key;
    Qt::KeyboardModifiers modifiers;
    QString text;
    std::vector<int> posted;
};

class AsciiViewKeys : public AsciiView, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(AsciiViewKeys, PostsTypedCharactersToTheFrame)
{
    const auto& c = GetParam();
    QKeyEvent press(QEvent::KeyPress, c.key, c.modifiers, c.text);
    QApplication::sendEvent(view.get(), &press);
    EXPECT_EQ(Typed(), c.posted);
    EXPECT_TRUE(others.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Keys, AsciiViewKeys,
    ::testing::Values(KeyCase{"Letter", Qt::Key_A, Qt::NoModifier, "a", {'a'}},
                      KeyCase{"Return", Qt::Key_Return, Qt::NoModifier, "\r", {13}},
                      KeyCase{"TabIsSentNotAFocusMove", Qt::Key_Tab, Qt::NoModifier, "\t", {9}},
                      KeyCase{"OutsideLatin1", Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8("€"), {}},
                      KeyCase{"AltLetterIsForMenus", Qt::Key_F, Qt::AltModifier, "f", {}},
                      KeyCase{"ArrowSendsNothing", Qt::Key_Left, Qt::NoModifier, "", {}},
                      KeyCase{"DeleteSendsNothing", Qt::Key_Delete, Qt::NoModifier, "\x7f", {}}),
    test::RowName);

TEST_F(AsciiView, PastePostsTheBytesInOrder)
{
    const std::tuple<const char*, QString, std::vector<int>> rows[] = {
        {"CrLfGoesAsBothBytesInOrder", "A\r\n", {'A', 13, 10}},
        {"StopsAtNul", QString::fromLatin1("AB\0CD", 5), {'A', 'B'}},
        {"Latin1Byte", QString::fromUtf8("é"), {0xE9}},
    };
    for (const auto& [name, clipboard, posted] : rows) {
        typed.clear();
        QGuiApplication::clipboard()->setText(clipboard);
        view->Paste();
        EXPECT_EQ(Typed(), posted) << name;
    }
}

// --- Selection and clipboard ------------------------------------------------------------

// Shift+arrows select from the clicked cell when the document lets arrow keys
// move the caret; otherwise they do nothing. Neither sends anything.
TEST_F(AsciiView, ShiftArrowsSelectOnlyWhenArrowKeysMoveTheCaret)
{
    Receive("abcdef\r\n");
    for (const bool moveCaret : {true, false}) {
        doc.arrowKeysMoveCaret = moveCaret;
        Drag(CellCentre(1, 0), CellCentre(1, 0));
        QTest::keyPress(view.get(), Qt::Key_Shift);
        QTest::keyClick(view.get(), Qt::Key_Right, Qt::ShiftModifier);
        QTest::keyClick(view.get(), Qt::Key_Right, Qt::ShiftModifier);
        QTest::keyRelease(view.get(), Qt::Key_Shift);
        EXPECT_EQ(view->Grid().SelEnd(), (CCellPos{moveCaret ? 3 : 1, 0})) << moveCaret;
        QGuiApplication::clipboard()->clear();
        view->Copy();
        EXPECT_EQ(Clipboard(), moveCaret ? QString("bc") : QString()) << moveCaret;
    }
    EXPECT_TRUE(Typed().empty());
}

TEST_F(AsciiView, ContextMenuOffersCopyAndPasteAsAvailable)
{
    QGuiApplication::clipboard()->clear();
    Receive("text");
    auto menu = view->CreateContextMenu();
    const auto actions = menu->actions();
    ASSERT_EQ(actions.size(), 2);
    EXPECT_EQ(actions[0]->text(), QString("&Copy"));
    EXPECT_EQ(actions[1]->text(), QString("&Paste"));
    EXPECT_FALSE(actions[0]->isEnabled());
    EXPECT_FALSE(actions[1]->isEnabled());

    QSignalSpy available(view.get(), &CKestronView::copyAvailable);
    view->SelectAll();
    EXPECT_EQ(available.count(), 1);
    QGuiApplication::clipboard()->setText("x");
    menu = view->CreateContextMenu();
    EXPECT_TRUE(menu->actions()[0]->isEnabled());
    EXPECT_TRUE(menu->actions()[1]->isEnabled());
    menu->actions()[1]->trigger();
    EXPECT_EQ(Typed(), std::vector<int>{'x'});
}

// --- Scrolling, resizing, fonts --------------------------------------------------------------

std::string Lines(int count)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += "line " + std::to_string(i) + "\r\n";
    return text;
}

TEST_F(AsciiView, AutoscrollFollowsTheCaretOnlyWhileOnAndResetsHorizontal)
{
    QScrollBar* vertical = view->verticalScrollBar();
    QScrollBar* horizontal = view->horizontalScrollBar();
    Receive(Lines(3));
    horizontal->setValue(30);
    Receive("x"); // still on the first screen: nothing moves
    EXPECT_EQ(vertical->value(), 0);
    EXPECT_EQ(horizontal->value(), 30);

    Receive(Lines(100));
    const int caretTop = view->Grid().Caret().row * view->CellHeight();
    EXPECT_LE(vertical->value(), caretTop);
    EXPECT_GE(vertical->value() + view->viewport()->height(), caretTop + view->CellHeight());
    EXPECT_EQ(vertical->value(), vertical->maximum());
    EXPECT_EQ(horizontal->value(), 0);

    // Scrolled back by the user, the next write on the same row still returns.
    vertical->setValue(0);
    Receive("y");
    EXPECT_EQ(vertical->value(), vertical->maximum());

    // A new screen width starts at the left too.
    horizontal->setValue(horizontal->maximum());
    doc.SetScreenSize(120, doc.screenLines);
    EXPECT_GT(horizontal->maximum(), 0);
    EXPECT_EQ(horizontal->value(), 0);

    // Switched off, it leaves the position where the user put it.
    ASSERT_TRUE(view->IsAutoscroll());
    view->ToggleAutoscroll();
    EXPECT_FALSE(view->IsAutoscroll());
    Receive(Lines(50));
    vertical->setValue(40);
    horizontal->setValue(20);
    Receive(Lines(100));
    EXPECT_EQ(vertical->value(), 40);
    EXPECT_EQ(horizontal->value(), 20);
    EXPECT_EQ(vertical->maximum(), view->Grid().UsedLines() * view->CellHeight() - view->viewport()->height());
}

TEST_F(AsciiView, FontHintResizesTheCells)
{
    const int width = view->CellWidth();
    const int height = view->CellHeight();
    doc.font = test::LogFont("Courier New", 40);
    doc.UpdateAllViews(CUpdateHint{HINT_FONT});
    EXPECT_GT(view->CellHeight(), height + 10);
    EXPECT_GT(view->CellWidth(), width + 4);
    // The extent follows the new cell size.
    EXPECT_EQ(view->horizontalScrollBar()->maximum(), std::max(80 * view->CellWidth() - view->viewport()->width(), 0));
}

// --- Repaint and colours -------------------------------------------------------------------

struct PixelCount {
    int blue = 0, red = 0;
    int blueLeft = 1 << 30, blueRight = -1, redLeft = 1 << 30;
};

PixelCount CountColours(const QImage& image)
{
    PixelCount count;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.blue() > 160 && c.red() < 90 && c.green() < 90) {
                ++count.blue;
                count.blueLeft = std::min(count.blueLeft, x);
                count.blueRight = std::max(count.blueRight, x);
            } else if (c.red() > 160 && c.blue() < 90 && c.green() < 90) {
                ++count.red;
                count.redLeft = std::min(count.redLeft, x);
            }
        }
    }
    return count;
}

TEST_F(AsciiView, ReceivedIsBlueEchoIsRedAndSelectionIsInverted)
{
    Receive("RRRR");
    Receive("EEEE", SEND_COLOUR);
    QTest::qWait(2 * CKestronView::REPAINT_PERIOD_MS);
    const PixelCount plain = CountColours(view->viewport()->grab().toImage());
    EXPECT_GT(plain.blue, 20);
    EXPECT_GT(plain.red, 20);
    EXPECT_LT(plain.blueRight, 1 + 4 * view->CellWidth()); // blue stays in the first four cells
    EXPECT_GE(plain.redLeft, 1 + 4 * view->CellWidth());

    view->SelectAll();
    QTest::qWait(2 * CKestronView::REPAINT_PERIOD_MS);
    const PixelCount selected = CountColours(view->viewport()->grab().toImage());
    // Selected cells are filled with their colour and drawn in the window colour.
    EXPECT_GT(selected.blue, 4 * view->CellWidth() * view->CellHeight() / 2);
    EXPECT_GT(selected.red, 4 * view->CellWidth() * view->CellHeight() / 2);
}

// --- Printing -------------------------------------------------------------------------------

TEST_F(AsciiView, PrintsHeaderAndRowsOnEveryPage)
{
    test::TempDir dir;
    Receive("first row\r\n" + Lines(150));
    QPrinter printer(QPrinter::HighResolution);
    test::PrintToPdf(printer, dir.File("view.pdf"));
    const int pageCount = CAsciiPrinter(view->Grid()).PageCount(printer);
    ASSERT_GE(pageCount, 2);
    ASSERT_TRUE(view->Print(printer));
    const auto pages = test::PdfPageTexts(dir.File("view.pdf"));
    ASSERT_EQ(static_cast<int>(pages.size()), pageCount);
    EXPECT_TRUE(test::InOrder(pages.front(), {"Page 1", "first row"}));
    EXPECT_TRUE(test::InOrder(pages.back(), {"Page " + std::to_string(pageCount), "line 149"}));
}

} // namespace
} // namespace kestrelon
