// The ASCII view: a scrolling window over a CAsciiGrid that the document's data
// channel writes. Typed and pasted characters go to the main frame as
// WM_TERMINAL TC_TYPED_CHAR posts, never straight to the connection. Data never
// paints: a 200 ms timer repaints once per burst.
#pragma once

#include "document/DataChannel.h"
#include "document/WinRecords.h"
#ifndef Q_MOC_RUN // moc cannot parse the standard library's <compare>
#include "screens/AsciiGrid.h"
#include "screens/TextFinder.h"
#endif

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QFont>

#include <functional>
#include <memory>

class QMenu;
class QDialog;
class QPrinter;

namespace kestrelon {

class CKestronDoc;
class IMessageTarget;

class CKestronView : public QAbstractScrollArea, public IDocumentView {
    Q_OBJECT

public:
    static constexpr int REPAINT_PERIOD_MS = 200;

    // Registers with the document and takes its screen size; unregisters when
    // destroyed.
    CKestronView(CKestronDoc& doc, IMessageTarget& frame, QWidget* parent = nullptr);
    ~CKestronView() override;

    void OnUpdate(const CUpdateHint& hint) override;
    bool TakesText() const override { return true; }

    const CAsciiGrid& Grid() const { return m_grid; }
    int CellWidth() const { return m_cellWidth; }
    int CellHeight() const { return m_cellHeight; }
    // Content coordinates to the cell under them.
    CCellPos CellAt(QPoint viewportPos) const;

    bool CanCopy() const { return m_grid.HasSelection(); }
    // The clipboard holds text.
    static bool CanPaste();
    bool IsAutoscroll() const { return m_grid.IsAutoscroll(); }
    // Prints every page (or the printer's page range); false when the printer
    // could not be started.
    bool Print(QPrinter& printer);
    // File > Print and Print Preview on the window's printer, which keeps the
    // page set up by File > Print Setup; `runDialog` runs the dialog modally.
    void FilePrint(QPrinter& printer, const std::function<int(QDialog&)>& runDialog);
    void FilePrintPreview(QPrinter& printer, const std::function<int(QDialog&)>& runDialog);
    // Copy and Paste, enabled as they are now; the caller owns the menu.
    std::unique_ptr<QMenu> CreateContextMenu();

    // View > Timestamps: each line starts with the time of its first byte.
    void SetTimestamps(bool on);
    bool Timestamps() const { return m_timestamps; }
    // The text to find (bytes shown as U+0000..U+00FF), marked wherever it is
    // shown; empty stops marking.
    void SetFindText(const std::string& text, bool matchCase);
    // Selects the next or previous match and scrolls it into view; from the
    // current match, or from the top (forward) or the end (backward).
    // `inclusive`: the current match itself may be found again (typing on).
    bool FindStep(FindDirection direction, bool inclusive);
    // Save Output and Copy All: every row as shown.
    std::string ShownText() const;

public slots:
    void Copy();
    void Paste();
    // The clipboard's text to the frame as a paste, whichever view is in front.
    static void PostClipboard(IMessageTarget& frame);
    void SelectAll();
    void ToggleAutoscroll();

signals:
    // The selection became empty or not: Copy's enabled state.
    void copyAvailable(bool available);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void timerEvent(QTimerEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void UpdateMetrics();
    void UpdateExtent();
    void Follow();
    void PostTyped(std::uint8_t character);
    void NoteSelection();
    int GutterWidth() const { return m_timestamps ? TIME_STAMP_LENGTH * m_cellWidth : 0; }
    void ScrollIntoView(const CFindHit& hit);

    CKestronDoc& m_doc;
    IMessageTarget& m_frame;
    CAsciiGrid m_grid;
    QBasicTimer m_repaintTimer;
    QFont m_font;
    // The font record last applied, kept 4-byte aligned so its fields can be read
    // as ints (the document's copy is packed at any address).
    alignas(4) LOGFONTA m_fontSource{};
    bool m_fontValid = false;
    int m_fontZoom = 100;
    int m_cellWidth = 10;
    int m_cellHeight = 20;
    int m_visibleRows = 0;    // whole rows in the client area
    bool m_following = false; // scrolling for new data: the timer repaints
    // Where the last write scrolled to, while nothing else has moved the view
    // since: the next write to the same row then costs nothing.
    bool m_followed = false;
    int m_followedY = 0;
    bool m_hadSelection = false;
    bool m_timestamps = false;
    CByteMatcher m_matcher;
    // The current match: its row counted from the grid's first row ever (so
    // it survives scrolling) and its column.
    bool m_hasCurrent = false;
    std::int64_t m_currentRow = 0;
    int m_currentColumn = 0;
};

} // namespace kestrelon
