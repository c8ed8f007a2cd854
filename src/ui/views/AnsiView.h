// The ANSI view: the 80 x 25 screen of its CAnsiScreen drawn centred on a
// button-face background in the 16-colour palette, with blinking cells on the
// 100 ms timer, and the keyboard turned into terminal input for the frame.
#pragma once

#include "document/DataChannel.h"
#include "screens/AnsiScreen.h"

#include <QAbstractScrollArea>
#include <QFont>
#include <QTimer>

class QPrinter;

namespace kestrelon {

class CKestronDoc;
class IMessageTarget;

class CANSI_View : public QAbstractScrollArea, public IDocumentView, private IAnsiReplyTarget {
    Q_OBJECT
public:
    static constexpr int REPAINT_INTERVAL_MS = 100;
    // Blink cycle in timer ticks: hidden until tick 6, shown from tick 10 (= 0).
    static constexpr int BLINK_HIDE_TICK = 6;
    static constexpr int BLINK_CYCLE_TICKS = 10;

    // Registers with `doc` for its update hints; key strings and status replies
    // go to `frame` as WM_TERMINAL messages.
    CANSI_View(CKestronDoc& doc, IMessageTarget& frame, QWidget* parent = nullptr);
    ~CANSI_View() override;

    void OnUpdate(const CUpdateHint& hint) override;
    bool TakesText() const override { return true; }

    // The frame says whether this is the view the user sees; status requests are
    // answered only while it is.
    void SetActive(bool active) { m_active = active; }
    bool IsActive() const { return m_active; }

    // Prints the screen on one page.
    void Print(QPrinter& printer);

    const CAnsiScreen& Screen() const { return m_screen; }
    QSize CellSize() const { return {m_cellWidth, m_cellHeight}; }
    // Where the screen is drawn, in viewport coordinates: centred when the window
    // is larger than the screen, scrolled otherwise.
    QRect ScreenRect() const;
    bool BlinkPhase() const { return m_blinkPhase; }

    // The timer's tick: one blink step, then a repaint if anything changed.
    void OnTimer();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void ReplyText(const char* text) override;
    void ReplyBytes(const std::uint8_t* data, std::int32_t length) override;
    void ApplyFont();
    void UpdateExtent();
    void PaintRow(class QPainter& painter, const QRect& screen, int row);
    void PostByte(std::uint8_t byte);
    void PostString(const char* text);

    CKestronDoc& m_doc;
    IMessageTarget& m_frame;
    CAnsiScreen m_screen;
    QTimer m_timer;
    QFont m_font;
    int m_cellWidth = 10;
    int m_cellHeight = 20;
    int m_ascent = 16;
    int m_blinkTicks = 0;
    bool m_blinkPhase = false;
    bool m_active = false;
};

} // namespace kestrelon
