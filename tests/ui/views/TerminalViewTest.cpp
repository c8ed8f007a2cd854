// Terminal view widget: the demo board's status page painted with its line
// drawing and reverse title, the screen following the view's size, answers
// sent only while shown, and keys and pastes as the program's modes ask.
#include "ui/views/TerminalView.h"

#include "demo/DemoVtStatus.h"
#include "support/TempDir.h"
#include "ui/views/HiddenPageSizing.h"
#include "ui/views/ViewTestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QKeyEvent>
#include <QPrinter>
#include <QScrollBar>
#include <QStackedWidget>
#include <gtest/gtest.h>

using namespace std::string_literals;

namespace kestrelon {
namespace {

using test::CountPixels;
using test::CRecordingTarget;
using test::Receive;

class TerminalViewTest : public ::testing::Test {
protected:
    // A viewport of exactly `columns` x `rows` cells.
    void SizeTo(int columns, int rows)
    {
        view.show();
        const QSize wanted(columns * view.CellSize().width(), rows * view.CellSize().height());
        view.resize(view.size() + wanted - view.viewport()->size());
    }

    // "line 0" to "line 99" on an 80 x 24 screen: 77 lines go to the scrollback.
    void ReceiveHundredLines()
    {
        SizeTo(80, 24);
        std::string lines;
        for (int i = 0; i < 100; ++i)
            lines += "line " + std::to_string(i) + "\r\n";
        Receive(doc, lines);
    }

    CKestronDoc doc;
    CRecordingTarget frame;
    CTerminalView view{doc, frame};
};

TEST_F(TerminalViewTest, PaintsTheStatusPageAtTheViewsSize)
{
    SizeTo(80, 24);
    ASSERT_EQ(view.Screen().Columns(), 80);
    ASSERT_EQ(view.Screen().Rows(), 24);
    Receive(doc, DemoVtStatusScreen({true, false, 115200, 42}));
    Receive(doc, "echo is not the device's", SEND_COLOUR);
    view.OnTimer();
    EXPECT_EQ(view.Screen().LineText(0), " Kestrelon demo board - status");
    std::string rule;
    for (int i = 0; i < 34; ++i)
        rule += "\u2500";
    EXPECT_EQ(view.Screen().LineText(4), "  \u250c" + rule + "\u2510");
    EXPECT_EQ(view.Screen().CursorRow(), 14);

    const QImage image = view.viewport()->grab().toImage();
    const QSize cell = view.CellSize();
    const int width = 80 * cell.width();
    // The blue title bar runs across; the empty rows below stay dark.
    EXPECT_GT(CountPixels(image, QRect(0, 0, width, cell.height()), 0x0000ee), width * cell.height() / 2);
    EXPECT_EQ(CountPixels(image, QRect(0, 2 * cell.height(), width, cell.height()), 0x000000), width * cell.height());

    // The page fits 40 x 15 without wrapping or overlapping.
    SizeTo(40, 15);
    Receive(doc, DemoVtStatusScreen({true, false, 115200, 42}));
    EXPECT_EQ(view.Screen().ScrollbackLines(), 0);
    EXPECT_EQ(view.Screen().LineText(12), "vtstatus draws it again.");

    // A smaller window: the screen shrinks, never below 20 x 5.
    SizeTo(10, 3);
    EXPECT_EQ(view.Screen().Columns(), 20);
    EXPECT_EQ(view.Screen().Rows(), 5);
}

// Real programs recorded on an 80 x 24 pseudo-terminal: each paints the colour
// that marks its screen over at least the given share (per mille) of the view.
struct CRecordingCase {
    const char* file;
    QRgb colour;
    int permille;
};

TEST_F(TerminalViewTest, RecordingsOfRealProgramsPaintTheirColours)
{
    SizeTo(80, 24);
    const CRecordingCase cases[] = {
        {"menu-xterm-256color.vt", 0x0000ee, 300}, // dialog's blue screen
        {"checklist-xterm-256color.vt", 0x0000ee, 300},
        {"htop-xterm-256color.vt", 0x00cdcd, 20}, // the cyan selection bar and key labels
        {"vi-vt100.vt", 0xd3d7cf, 2},             // plain text in the default colour
    };
    for (const CRecordingCase& c : cases) {
        doc.ResetScreen();
        QFile file(QStringLiteral(KESTRELON_RECORDINGS "/") + QLatin1String(c.file));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << c.file;
        Receive(doc, file.readAll().toStdString());
        view.OnTimer();
        const QImage image = view.viewport()->grab().toImage();
        const QRect screen(0, 0, 80 * view.CellSize().width(), 24 * view.CellSize().height());
        EXPECT_GE(CountPixels(image, screen, c.colour) * 1000, screen.width() * screen.height() * c.permille) << c.file;
    }
}

TEST_F(TerminalViewTest, AnswersGoOutOnlyFromTheShownView)
{
    SizeTo(80, 24);
    const test::CReplyCase cases[] = {
        {"Position", true, "\033[4;2H\033[6n", {"6:\033[4;2R"}},
        {"Size", true, "\033[18t", {"6:\033[8;24;80t"}},
        {"Status", true, "\033[5n", {"6:\033[0n"}},
        {"Hidden", false, "\033[6n", {}},
        {"AnswersOff", true, "\033[6n", {}, RECEIVE_COLOUR, false},
        {"EchoedQuery", true, "\033[6n", {}, SEND_COLOUR},
    };
    for (const test::CReplyCase& c : cases) {
        view.SetActive(c.active);
        CTerminalViewOptions options;
        options.answers = c.answers;
        view.SetOptions(options);
        frame.messages.clear();
        Receive(doc, c.received, c.colour);
        view.OnTimer();
        EXPECT_EQ(frame.messages, c.sent) << c.name;
    }
}

TEST_F(TerminalViewTest, TheProgramsTitleShowsWhileTheViewIsShown)
{
    std::vector<QString> titles;
    QObject::connect(&view, &CTerminalView::DeviceTitleChanged, [&titles](const QString& t) { titles.push_back(t); });
    Receive(doc, "\033]0;hidden\a");
    view.OnTimer();
    view.SetActive(true);
    Receive(doc, "\033]2;top - board\033\\");
    view.OnTimer();
    view.SetActive(false);
    EXPECT_EQ(titles, (std::vector<QString>{"hidden", "top - board", ""}));
}

TEST_F(TerminalViewTest, KeysAndPastesFollowTheProgramsModes)
{
    view.SetActive(true);
    QApplication::clipboard()->setText(QStringLiteral("ls -l\nexit"));
    const test::CKeyCase cases[] = {
        {"Up", Qt::Key_Up, Qt::NoModifier, "", {"6:\033[A"}},
        {"UpApplication", Qt::Key_Up, Qt::NoModifier, "", {"6:\033OA"}, "\033[?1h"},
        {"ResetLeavesApplication", Qt::Key_Up, Qt::NoModifier, "", {"6:\033[A"}, "\033c"},
        {"F1IsTheDevices", Qt::Key_F1, Qt::NoModifier, "", {"6:\033OP"}},
        {"CtrlC", Qt::Key_C, Qt::ControlModifier, "\x03", {"6:\x03"}},
        {"Backspace", Qt::Key_Backspace, Qt::NoModifier, "\b", {"6:\x7f"}},
        {"Utf8", Qt::Key_unknown, Qt::NoModifier, QString(QChar(0xE4)), {"6:\xc3\xa4"}},
        {"CopyIsLocal", Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier, "", {}},
        {"Paste", Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier, "", {"8:ls -l\rexit"}},
        {"BracketedPaste", Qt::Key_Insert, Qt::ShiftModifier, "", {"8:\033[200~ls -l\rexit\033[201~"}, "\033[?2004h"},
    };
    for (const test::CKeyCase& c : cases) {
        Receive(doc, c.modes);
        EXPECT_EQ(test::PostedForKey(view, frame, c), c.sent) << c.name;
    }
    // The window's own keys are left to its shortcuts; the device has the rest.
    for (const int key : {Qt::Key_F1, Qt::Key_F10, Qt::Key_F, Qt::Key_F11}) {
        QKeyEvent shortcut(QEvent::ShortcutOverride, key, Qt::ControlModifier | Qt::ShiftModifier);
        shortcut.ignore();
        QApplication::sendEvent(&view, &shortcut);
        EXPECT_EQ(shortcut.isAccepted(), key == Qt::Key_F11) << key;
    }
}

TEST_F(TerminalViewTest, ReadingBackStaysPutWhileOutputScrolls)
{
    ReceiveHundredLines();
    QKeyEvent pageUp(QEvent::KeyPress, Qt::Key_PageUp, Qt::ShiftModifier);
    QApplication::sendEvent(&view, &pageUp);
    const int back = view.ScrolledBack();
    EXPECT_EQ(back, 23);
    Receive(doc, "more\r\nand more\r\n");
    view.OnTimer();
    EXPECT_EQ(view.ScrolledBack(), back + 2);
    view.ScrollBy(1000);
    Receive(doc, "tail\r\n");
    EXPECT_EQ(view.ScrolledBack(), 0);
}

TEST_F(TerminalViewTest, FindSelectsTheMatchAndHoldsItInView)
{
    ReceiveHundredLines();
    view.SetFindText("LINE 7", false);
    ASSERT_TRUE(view.FindStep(FindDirection::Forward, true));
    EXPECT_EQ(view.ScrolledBack(), 77); // line 7, as far up as the scrollback goes
    view.Copy();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("line 7"));
    Receive(doc, "more\r\n");
    EXPECT_EQ(view.ScrolledBack(), 78);
    ASSERT_TRUE(view.FindStep(FindDirection::Forward, false));
    view.Copy();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("line 7")); // of "line 70"
    // Eight lines above the screen, centred.
    EXPECT_EQ(view.ScrolledBack(), 8 + 12);
    view.SetFindText("absent", true);
    EXPECT_FALSE(view.FindStep(FindDirection::Forward, true));
    EXPECT_FALSE(view.CanCopy());
}

TEST_F(TerminalViewTest, PrintsTheSavedTextInPages)
{
    ReceiveHundredLines();
    // Wrapped on the 80-column screen, joined for the text, folded for the paper.
    Receive(doc, std::string(60, 'a') + std::string(60, 'b') + "\r\n");
    test::TempDir dir;
    QPrinter printer(QPrinter::HighResolution);
    test::PrintToPdf(printer, dir.File("terminal.pdf"));
    view.Print(printer);
    const auto pages = test::PdfPageTexts(dir.File("terminal.pdf"));
    ASSERT_GE(pages.size(), 2u);
    EXPECT_TRUE(
        test::InOrder(pages.back(), {"Page " + std::to_string(pages.size()), "line 99\n",
                                     std::string(60, 'a') + std::string(20, 'b') + "\n", std::string(40, 'b') + "\n"}));
}

TEST_F(TerminalViewTest, HiddenInTheWindowsStackItKeepsTheStacksSize)
{
    QStackedWidget stack;
    stack.addWidget(new QWidget);
    stack.addWidget(&view);
    new CHiddenPageSizing(&view);
    stack.resize(900, 500);
    stack.show();
    const int columns = view.Screen().Columns();
    EXPECT_GT(columns, 60);
    stack.setCurrentWidget(&view);
    EXPECT_EQ(view.Screen().Columns(), columns);
    stack.removeWidget(&view);
    view.setParent(nullptr);
}

} // namespace
} // namespace kestrelon
