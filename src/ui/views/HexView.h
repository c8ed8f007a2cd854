// The hex view: a scrolling hex dump of everything shown, 16 bytes a line, each
// line in the colour of its bytes. It paints the history of its CHexHistory only
// from its 200 ms timer and only the rows that are visible.
#pragma once

#include "document/DataChannel.h"
#include "screens/HexHistory.h"
#include "screens/HexStream.h"
#include "screens/TextFinder.h"
#include "ui/views/CellMetrics.h"

#include <QAbstractScrollArea>
#include <QTimer>

class QPainter;
class QPrinter;

namespace kestrelon {

class CKestronDoc;

class CHexView : public QAbstractScrollArea, public IDocumentView {
    Q_OBJECT
public:
    static constexpr int REPAINT_INTERVAL_MS = 200;

    // Registers with `doc` for its update hints until destroyed.
    explicit CHexView(CKestronDoc& doc, QWidget* parent = nullptr);
    ~CHexView() override;

    void OnUpdate(const CUpdateHint& hint) override;
    bool TakesText() const override { return true; }

    // Toggle > Autoscroll while this view is active; the flag is the hex view's own.
    void ToggleAutoscroll() { m_history.ToggleAutoscroll(); }
    bool IsAutoscroll() const { return m_history.Autoscroll(); }

    // Prints the history with numbered lines, as many pages as it needs.
    void Print(QPrinter& printer);

    const CHexHistory& History() const { return m_history; }
    QSize CellSize() const { return {m_font.Cells().width, m_font.Cells().height}; }

    // The repaint timer's tick: after new data, follow it and repaint once;
    // a hidden view waits until it is shown.
    void OnTimer();

    // View > Timestamps: the time of each row's first byte at its right.
    void SetTimestamps(bool on);
    bool Timestamps() const { return m_timestamps; }
    // Text made of hex pairs ("0D 0A") finds those bytes; any other text finds
    // its characters (bytes shown as U+0000..U+00FF). Matches are marked in
    // both parts of the rows, across line ends too.
    void SetFindText(const std::string& text, bool matchCase);
    bool FindStep(FindDirection direction, bool inclusive);
    std::string ShownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void UpdateExtent();
    void Follow();
    void PaintMatches(QPainter& painter, int firstRow, int lastRow, int left, int top);

    CKestronDoc& m_doc;
    CHexHistory m_history;
    QTimer m_timer;
    // Rows are drawn as whole texts, so a character column starts at a
    // multiple of the font's own advance, not of the cell width.
    CLazyCellFont m_font;
    bool m_dirty = false;
    bool m_timestamps = false;
    CByteMatcher m_matcher;
    CHexStream m_stream; // rebuilt for each search and paint while finding
    // The current match: first byte's row counted from the history's first
    // line ever, its index in the row, and the match length in bytes.
    bool m_hasCurrent = false;
    std::int64_t m_currentRow = 0;
    int m_currentIndex = 0;
};

} // namespace kestrelon
