// The Terminal view: a VT100/VT220/xterm screen (CTerminalScreen) the size of
// the window, fed the received bytes, with scrollback, mouse selection and the
// keyboard as an xterm sends it. Repaints from its timer, never from the data.
#pragma once

#include "document/DataChannel.h"
#include "document/TerminalViewOptions.h"
#include "screens/TerminalFeed.h"
#include "screens/TerminalFinder.h"
#include "screens/TerminalScreen.h"
#include "ui/views/CellMetrics.h"
#include "ui/views/TerminalSelection.h"

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QFont>
#include <QTimer>

#include <string>

class QPrinter;

namespace kestrelon {

class CKestronDoc;
class IMessageTarget;

class CTerminalView : public QAbstractScrollArea, public IDocumentView {
    Q_OBJECT
public:
    // Data is shown at most this long after it arrived: soon after a quiet
    // spell, so typing echoes at once; less often while data keeps coming, so
    // a flood spends its time on the data rather than on painting.
    static constexpr int REPAINT_DELAY_MS = 30;
    static constexpr int BUSY_REPAINT_DELAY_MS = 100;
    static constexpr int FLASH_MS = 100;

    // Registers with `doc`; keys, pastes and answers go to `frame` as WM_TERMINAL messages.
    CTerminalView(CKestronDoc& doc, IMessageTarget& frame, QWidget* parent = nullptr);
    ~CTerminalView() override;

    void OnUpdate(const CUpdateHint& hint) override;
    bool TakesText() const override { return true; }

    // The frame says whether this view is the one shown: only then are answers
    // sent, bells rung and the title shown.
    void SetActive(bool active);
    bool IsActive() const { return m_active; }
    void SetOptions(const CTerminalViewOptions& options);
    const CTerminalViewOptions& Options() const { return m_options; }

    // The model with every received byte parsed (waits for the parser if it is behind).
    const CTerminalScreen& Screen() const { return m_feed.Screen(); }
    QSize CellSize() const { return {m_cells.width, m_cells.height}; }
    // Lines the user has scrolled back from the bottom (0: following the output).
    int ScrolledBack() const;
    void ScrollBy(int lines);

    bool CanCopy() const { return !m_selection.IsEmpty(); }
    void Copy();
    void Paste();
    void SelectAll();
    // The view's font; the document's font applies otherwise.
    void ApplyFont();
    // The repaint tick: answers, title, bell, scroll bar and repaint.
    void OnTimer();
    // Save Output As, Copy All, the find bar and printing: TerminalViewText.cpp.
    std::string ShownText() const;
    void SetFindText(const std::string& utf8, bool matchCase);
    bool FindStep(FindDirection direction, bool inclusive);
    void Print(QPrinter& printer);

signals:
    // The program's title while this view is shown, "" when it stops being shown.
    void DeviceTitleChanged(const QString& title);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void Feed(const std::uint8_t* data, std::int32_t length);
    CTerminalScreen& Model() { return m_feed.Screen(); }
    void SendAnswers();
    void FitScreen();
    void UpdateScrollBar();
    int TopLine() const;
    CTerminalSelection::CPoint PointAt(const QPoint& position) const;
    bool LocalKey(const QKeyEvent& key);
    void PostBytes(const std::string& bytes, bool paced);
    void ScheduleRepaint();
    void PasteText(const QString& text);
    void ShowLine(int line);

    CKestronDoc& m_doc;
    IMessageTarget& m_frame;
    // The model, fed on the feed's thread; reached only through Model() and Screen().
    CTerminalScreen m_model;
    mutable CTerminalFeed m_feed{m_model};
    CTerminalSelection m_selection;
    CTerminalFinder m_finder;
    CTerminalViewOptions m_options;
    QTimer m_timer;
    QTimer m_flashTimer;
    QElapsedTimer m_sincePaint;
    QFont m_font;
    CCellMetrics m_cells;
    // Reading back: the stable number of the top line shown; following otherwise.
    std::int64_t m_readingTop = 0;
    bool m_reading = false;
    bool m_selecting = false;
    bool m_active = false;
    bool m_flash = false;
    bool m_updatingScrollBar = false;
};

} // namespace kestrelon
