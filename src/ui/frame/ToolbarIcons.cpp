// Drawing of the toolbar pictures: each is a few lines and shapes on a 16 x 15
// transparent pixmap, in the colours of classic toolbar art.
#include "ui/frame/ToolbarIcons.h"

#include "ui/frame/MainFrame.h"
#include "document/Messages.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace kestrelon {

namespace {

const QColor kInk(0, 0, 0);
const QColor kPaper(255, 255, 255);
const QColor kBlue(0, 0, 160);
const QColor kRed(192, 0, 0);
const QColor kGreen(0, 128, 0);
const QColor kYellow(224, 192, 0);
const QColor kGrey(128, 128, 128);

void Page(QPainter& p, int x, int y, int w, int h)
{
    p.setPen(kInk);
    p.setBrush(kPaper);
    p.drawRect(x, y, w, h);
}

void Lines(QPainter& p, int x, int y, int w, int count)
{
    p.setPen(kGrey);
    for (int i = 0; i < count; ++i)
        p.drawLine(x, y + 2 * i, x + w, y + 2 * i);
}

void Arrow(QPainter& p, int x, int top, int bottom, bool down, const QColor& colour)
{
    p.setPen(QPen(colour, 2));
    p.drawLine(x, top, x, bottom);
    const int tip = down ? bottom : top;
    const int back = down ? -3 : 3;
    p.drawLine(x, tip, x - 3, tip + back);
    p.drawLine(x, tip, x + 3, tip + back);
}

void Letters(QPainter& p, const QString& text, const QColor& colour)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(text.size() > 2 ? 7 : 9);
    font.setBold(true);
    p.setFont(font);
    p.setPen(kInk);
    p.setBrush(kPaper);
    p.drawRect(0, 1, 15, 12);
    p.setPen(colour);
    p.drawText(QRect(0, 1, 16, 13), Qt::AlignCenter, text);
}

void DrawFile(QPainter& p, int command)
{
    switch (command) {
    case ID_FILE_NEW:
        Page(p, 3, 0, 9, 13);
        Lines(p, 5, 3, 5, 4);
        break;
    case ID_FILE_OPEN:
        p.setPen(kInk);
        p.setBrush(kYellow);
        p.drawPolygon(QPolygon({QPoint(0, 3), QPoint(5, 3), QPoint(6, 5), QPoint(13, 5), QPoint(13, 13),
                                QPoint(0, 13)}));
        p.setBrush(QColor(255, 224, 96));
        p.drawPolygon(QPolygon({QPoint(2, 7), QPoint(15, 7), QPoint(13, 13), QPoint(0, 13)}));
        break;
    case ID_FILE_SAVE:
        p.setPen(kInk);
        p.setBrush(kBlue);
        p.drawRect(1, 1, 13, 13);
        p.setBrush(kPaper);
        p.drawRect(3, 1, 9, 5);
        p.setBrush(kGrey);
        p.drawRect(4, 9, 7, 5);
        break;
    case ID_FILE_PRINT:
        Page(p, 4, 0, 7, 5);
        p.setBrush(kGrey);
        p.drawRect(1, 5, 13, 6);
        Page(p, 4, 9, 7, 5);
        break;
    default: break;
    }
}

void DrawEdit(QPainter& p, int command)
{
    switch (command) {
    case ID_EDIT_COPY:
        Page(p, 1, 0, 8, 10);
        Page(p, 6, 4, 8, 10);
        Lines(p, 8, 7, 4, 3);
        break;
    case ID_EDIT_PASTE:
        p.setPen(kInk);
        p.setBrush(QColor(160, 112, 48));
        p.drawRect(1, 2, 10, 12);
        p.setBrush(kGrey);
        p.drawRect(4, 0, 4, 3);
        Page(p, 6, 6, 8, 8);
        break;
    case ID_EDIT_RESET_SCREEN:
        Page(p, 1, 1, 13, 11);
        p.setPen(QPen(kRed, 2));
        p.drawLine(4, 4, 11, 10);
        p.drawLine(11, 4, 4, 10);
        break;
    case ID_TOGGLE_AUTOSCROLL:
        Page(p, 2, 0, 11, 14);
        Arrow(p, 7, 3, 11, true, kBlue);
        break;
    default: break;
    }
}

void DrawConnection(QPainter& p, int command)
{
    switch (command) {
    case ID_TOGGLE_COMMUNICATION:
        // A plug: body, two pins and the cable.
        p.setPen(kInk);
        p.setBrush(kGrey);
        p.drawRect(4, 4, 6, 6);
        p.drawLine(10, 5, 14, 5);
        p.drawLine(10, 8, 14, 8);
        p.setPen(QPen(kGreen, 2));
        p.drawLine(1, 7, 4, 7);
        break;
    case ID_TOGGLE_BRIDGE:
        p.setPen(kInk);
        p.setBrush(kGrey);
        p.drawRect(0, 4, 4, 6);
        p.drawRect(11, 4, 4, 6);
        p.setPen(QPen(kBlue, 2));
        p.drawArc(3, 3, 9, 8, 0, 180 * 16);
        break;
    case ID_FILE_SEND:
        Page(p, 1, 4, 8, 10);
        Arrow(p, 12, 1, 12, false, kRed);
        break;
    case ID_FILE_RECEIVE:
        Page(p, 1, 4, 8, 10);
        Arrow(p, 12, 1, 12, true, kBlue);
        break;
    default: break;
    }
}

void DrawHelp(QPainter& p, int command)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    font.setBold(true);
    p.setFont(font);
    if (command == ID_APP_ABOUT) {
        p.setPen(kInk);
        p.setBrush(QColor(255, 255, 192));
        p.drawEllipse(1, 0, 13, 13);
        p.setPen(kBlue);
        p.drawText(QRect(1, 0, 14, 14), Qt::AlignCenter, QStringLiteral("?"));
        return;
    }
    // Context help: the pointer with a question mark beside it.
    p.setPen(kInk);
    p.setBrush(kPaper);
    p.drawPolygon(QPolygon({QPoint(0, 0), QPoint(0, 11), QPoint(3, 8), QPoint(6, 13), QPoint(7, 12),
                            QPoint(5, 7), QPoint(8, 7)}));
    p.setPen(kBlue);
    p.drawText(QRect(7, 0, 9, 14), Qt::AlignCenter, QStringLiteral("?"));
}

using Drawing = void (*)(QPainter&, int command);

Drawing DrawingFor(int command)
{
    switch (command) {
    case ID_FILE_NEW:
    case ID_FILE_OPEN:
    case ID_FILE_SAVE:
    case ID_FILE_PRINT: return DrawFile;
    case ID_EDIT_COPY:
    case ID_EDIT_PASTE:
    case ID_EDIT_RESET_SCREEN:
    case ID_TOGGLE_AUTOSCROLL: return DrawEdit;
    case ID_TOGGLE_COMMUNICATION:
    case ID_TOGGLE_BRIDGE:
    case ID_FILE_SEND:
    case ID_FILE_RECEIVE: return DrawConnection;
    case ID_VIEW_ASCII: return [](QPainter& p, int) { Letters(p, QStringLiteral("A"), kBlue); };
    case ID_VIEW_HEX: return [](QPainter& p, int) { Letters(p, QStringLiteral("0F"), kBlue); };
    case ID_VIEW_ANSI: return [](QPainter& p, int) { Letters(p, QStringLiteral("ESC"), kGreen); };
    case ID_VIEW_TERMINAL: return [](QPainter& p, int) { Letters(p, QStringLiteral(">_"), kGreen); };
    case ID_APP_ABOUT:
    case ID_CONTEXT_HELP: return DrawHelp;
    default: return nullptr;
    }
}

} // namespace

QIcon ToolbarIcon(int command)
{
    // Most commands have no picture; they cost no pixmap and no painter.
    const Drawing draw = DrawingFor(command);
    if (!draw)
        return {};
    QPixmap pixmap(TOOLBAR_ICON_WIDTH, TOOLBAR_ICON_HEIGHT);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    draw(painter, command);
    painter.end();
    return QIcon(pixmap);
}

} // namespace kestrelon
