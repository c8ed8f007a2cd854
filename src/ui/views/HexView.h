// The hex view: a scrolling hex dump of everything shown, 16 bytes a line, each
// line in the colour of its bytes. It paints the history of its CHexHistory only
// from its 200 ms timer and only the rows that are visible.
#pragma once

#include "document/DataChannel.h"
#include "screens/HexHistory.h"

#include <QAbstractScrollArea>
#include <QFont>
#include <QTimer>

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
    QSize CellSize() const { return {m_cellWidth, m_cellHeight}; }

    // The repaint timer's tick: after new data, follow it and repaint once.
    void OnTimer();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void UpdateExtent();
    void Follow();

    CKestronDoc& m_doc;
    CHexHistory m_history;
    QTimer m_timer;
    QFont m_font;
    bool m_dirty = false;
    int m_cellWidth = 10;
    int m_cellHeight = 20;
    int m_ascent = 16;
};

} // namespace kestrelon
