// ANSI view widget: keys and replies posted to the frame, and what a grab of the
// drawn screen shows for colours, attributes, blinking and centring.
#include "ui/views/AnsiView.h"

#include "document/KestronDoc.h"
#include "support/TempDir.h"
#include "ui/views/ViewTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QPrinter>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

using namespace std::string_literals;

namespace kestrelon {
namespace {

using test::CountPixels;
using test::CRecordingTarget;
using test::Receive;

class AnsiViewTest : public ::testing::Test {
protected:
    CKestronDoc doc;
    CRecordingTarget frame;
};

// Counts the hints the document broadcasts: an echo would show up here.
struct CHintCounter : IDocumentView {
    void OnUpdate(const CUpdateHint&) override { ++hints; }
    int hints = 0;
};

TEST_F(AnsiViewTest, KeysSendTheirBytesWithoutEcho)
{
    // Line-end conversion and echo are the typed path's business, never this view's.
    doc.crToCrLfOnSend = true;
    doc.localEcho = true;
    CHintCounter echoed;
    doc.AddView(&echoed);
    const test::CKeyCase cases[] = {
        {"Enter", Qt::Key_Return, Qt::NoModifier, "\r", {"4:13"}},
        {"KeypadEnter", Qt::Key_Enter, Qt::KeypadModifier, "\r", {"4:13"}},
        {"Delete", Qt::Key_Delete, Qt::NoModifier, "\x7f", {"4:127"}},
        {"Home", Qt::Key_Home, Qt::NoModifier, "", {"5:\033[H"}},
        {"F1", Qt::Key_F1, Qt::NoModifier, "", {"5:\033OP"}},
        {"F5HasNoString", Qt::Key_F5, Qt::NoModifier, "", {}},
        {"ShiftTab", Qt::Key_Backtab, Qt::ShiftModifier, "", {"4:9"}},
        {"CtrlC", Qt::Key_C, Qt::ControlModifier, "", {"4:3"}},
        {"Letter", Qt::Key_A, Qt::NoModifier, "a", {"4:97"}},
        {"Latin1Letter", Qt::Key_Adiaeresis, Qt::NoModifier, QString(QChar(0xE4)), {"4:228"}},
        {"OutsideLatin1", Qt::Key_unknown, Qt::NoModifier, QString(QChar(0x20AC)), {}},
    };
    for (const test::CKeyCase& c : cases) {
        CANSI_View view(doc, frame);
        EXPECT_EQ(test::PostedForKey(view, frame, c), c.sent) << c.name;
        EXPECT_EQ(echoed.hints, 0) << c.name;
    }
    doc.RemoveView(&echoed);
}

TEST_F(AnsiViewTest, TerminalKeysWinOverWindowShortcuts)
{
    // A window with F1 as its help shortcut: with the ANSI view focused, F1 is
    // terminal input and the help action never fires.
    QWidget window;
    auto* view = new CANSI_View(doc, frame, &window);
    int helpOpened = 0;
    auto* help = new QAction(&window);
    help->setShortcut(Qt::Key_F1);
    window.addAction(help);
    QObject::connect(help, &QAction::triggered, [&] { ++helpOpened; });
    window.show();
    QApplication::setActiveWindow(&window);
    view->setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(window.windowHandle(), Qt::Key_F1);
    EXPECT_EQ(helpOpened, 0);
    EXPECT_EQ(frame.messages, (std::vector<std::string>{"5:\033OP"}));
}

TEST_F(AnsiViewTest, StatusRepliesOnlyWhileActive)
{
    const test::CReplyCase cases[] = {
        {"PositionReport", true, "\033[4;2H\033[6n", {"6:\033[5;3R\0"s}},
        {"PositionReportInactive", false, "\033[4;2H\033[6n", {}},
        {"StatusReport", true, "\033[5n", {"5:\033[?0n"}},
        {"EchoedRequestIgnored", true, "\033[6n", {}, SEND_COLOUR},
    };
    for (const test::CReplyCase& c : cases) {
        CANSI_View view(doc, frame);
        view.SetActive(c.active);
        frame.messages.clear();
        Receive(doc, c.received, c.colour);
        EXPECT_EQ(frame.messages, c.sent) << c.name;
    }
}

// A grab of the viewport with the view large enough to centre the screen.
class AnsiViewGrab : public AnsiViewTest {
protected:
    void SetUp() override
    {
        view = std::make_unique<CANSI_View>(doc, frame);
        const QSize cell = view->CellSize();
        view->resize(80 * cell.width() + 200, 25 * cell.height() + 120);
        view->show();
    }
    QRect CellRect(int column, int row) const
    {
        const QSize cell = view->CellSize();
        const QRect screen = view->ScreenRect();
        return {screen.left() + column * cell.width(), screen.top() + row * cell.height(), cell.width(), cell.height()};
    }
    QImage Grab() const { return view->viewport()->grab().toImage(); }
    void Ticks(int count)
    {
        for (int i = 0; i < count; ++i)
            view->OnTimer();
    }
    std::unique_ptr<CANSI_View> view;
};

// The palette written out, not read from the view's table, so that a wrong
// entry there shows.
constexpr QRgb kBlack = qRgb(0, 0, 0), kRed = qRgb(0xAA, 0, 0), kGreen = qRgb(0, 0xAA, 0);
constexpr QRgb kYellow = qRgb(0xAA, 0xAA, 0), kBlue = qRgb(0, 0, 0xAA), kBrightGreen = qRgb(0, 0xFF, 0);

struct CCellLook {
    const char* name;
    std::string input; // the cell of interest is at column 0, row 0
    QRgb background;
    QRgb text;   // some pixels of the glyph are exactly this colour
    QRgb absent; // no pixel of the cell has this colour
};

TEST_F(AnsiViewGrab, CellsShowTheirPaletteColoursAndUnderline)
{
    // Blinking cells are visible from the tenth tick.
    const CCellLook cases[] = {
        {"NormalGreen", "\033[32mM", kBlack, kGreen, kBrightGreen},
        {"BoldGreenIsBright", "\033[1;32mM", kBlack, kBrightGreen, kGreen},
        {"ReverseIgnoresBold", "\033[1;7;32;44mM", kGreen, kBlue, kBrightGreen},
        {"HiddenTakesBackground", "\033[8;31;44mM", kBlue, kBlue, kRed},
        {"WrittenSpaceShowsBackground", "\033[44m ", kBlue, kBlue, kBlack},
        {"ClearedCellIsBlack", "\033[44mAB\033[0;0H\033[K", kBlack, kBlack, kBlue},
        {"BlinkShownInOnPhase", "\033[5;31;44mM", kBlue, kRed, kBlack},
    };
    Ticks(CANSI_View::BLINK_CYCLE_TICKS);
    ASSERT_TRUE(view->BlinkPhase());
    for (const CCellLook& c : cases) {
        doc.ResetScreen();
        Receive(doc, c.input + "\033[10;10H");
        const QImage image = Grab();
        const QRect cell = CellRect(0, 0);
        EXPECT_EQ(image.pixel(cell.topLeft()) & 0xFFFFFF, c.background & 0xFFFFFF) << c.name;
        EXPECT_GT(CountPixels(image, cell, c.text), 0) << c.name;
        EXPECT_EQ(CountPixels(image, cell, c.absent), 0) << c.name;
    }
    // Underline takes the whole bottom pixel row of the cell.
    doc.ResetScreen();
    Receive(doc, "\033[4;33m_\033[24m.");
    const QRect underlined = CellRect(0, 0);
    EXPECT_EQ(CountPixels(Grab(), QRect(underlined.left(), underlined.bottom(), underlined.width(), 1), kYellow),
              underlined.width());
}

TEST_F(AnsiViewGrab, BlinkingCellsVanishInTheOffPhase)
{
    Receive(doc, "\033[5;31;44mM\033[0mN");
    const QRect blinking = CellRect(0, 0);
    const QRect steady = CellRect(1, 0);
    // Ticks added before each grab: hidden until the 10th, then shown for 6 and
    // hidden for 4 in turn.
    struct {
        int ticks;
        bool visible;
    } const phases[] = {{0, false}, {5, false}, {4, false}, {1, true}, {5, true}, {1, false}, {3, false}, {1, true}};
    for (const auto& phase : phases) {
        Ticks(phase.ticks);
        const QImage image = Grab();
        EXPECT_EQ(CountPixels(image, blinking, kBlue) > 0, phase.visible) << phase.ticks;
        EXPECT_GT(CountPixels(image, steady, kGreen), 0);
    }
}

TEST_F(AnsiViewGrab, ScreenIsCentredOnButtonFaceOrScrolledInASmallWindow)
{
    const QImage image = Grab();
    const QRect screen = view->ScreenRect();
    const QRgb face = view->palette().color(QPalette::Button).rgb() & 0xFFFFFF;
    EXPECT_EQ(screen.left(), (view->viewport()->width() - screen.width()) / 2);
    EXPECT_EQ(screen.top(), (view->viewport()->height() - screen.height()) / 2);
    EXPECT_EQ(image.pixel(0, 0) & 0xFFFFFF, face);
    EXPECT_EQ(image.pixel(screen.left() - 1, screen.center().y()) & 0xFFFFFF, face);
    EXPECT_EQ(image.pixel(screen.right() + 1, screen.center().y()) & 0xFFFFFF, face);
    EXPECT_EQ(image.pixel(screen.center().x(), screen.bottom() + 1) & 0xFFFFFF, face);
    EXPECT_EQ(CountPixels(image, screen, qRgb(0, 0, 0)), screen.width() * screen.height());
    // A window too small for the screen scrolls instead.
    view->resize(200, 100);
    QApplication::processEvents();
    EXPECT_GT(view->horizontalScrollBar()->maximum(), 0);
    EXPECT_GT(view->verticalScrollBar()->maximum(), 0);
    view->verticalScrollBar()->setValue(view->CellSize().height() * 3);
    EXPECT_EQ(view->ScreenRect().top(), -view->CellSize().height() * 3);
}

TEST_F(AnsiViewTest, PrintsTheScreenUnderItsHeader)
{
    test::TempDir dir;
    CANSI_View view(doc, frame);
    Receive(doc, "\033[1;4;31;44mPrinted\033[0m text\r\nsecond row");
    QPrinter printer(QPrinter::HighResolution);
    test::PrintToPdf(printer, dir.File("ansi.pdf"));
    view.Print(printer);
    const auto pages = test::PdfPageTexts(dir.File("ansi.pdf"));
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_TRUE(test::InOrder(pages[0], {"Page 1", "Printed text", "second row"}));
}

} // namespace
} // namespace kestrelon
