// A status bar made of panes that reports mouse actions per pane. Pane 0 is the
// stretching message pane; the others are fixed-width text panes named by their
// string identifier. Owners react to clicks on single panes through HitTestPane.
#pragma once

#include <QEvent>
#include <QStatusBar>

#include <vector>

class QLabel;

namespace kestrelon {

class CStatusBarEx : public QStatusBar {
    Q_OBJECT
public:
    explicit CStatusBarEx(QWidget* parent = nullptr);

    // Replaces the panes: `ids` lists the identifiers of panes 1 to n (pane 0,
    // the message pane, always exists) with their initial texts; each pane is
    // as wide as its text.
    void SetPanes(const std::vector<int>& ids, const std::vector<QString>& texts);
    int PaneCount() const { return static_cast<int>(m_panes.size()); }
    int PaneId(int index) const;
    int PaneIndex(int id) const; // -1 when no pane has that identifier
    // The message pane's text is the whole message, also when the pane shows it
    // cut short with an ellipsis (its tool tip then holds it whole).
    QString PaneText(int index) const;
    bool SetPaneText(int index, const QString& text);
    // Width of the pane's text area in pixels.
    void SetPaneWidth(int index, int width);
    int PaneWidth(int index) const;
    int TextWidth(const QString& text) const;
    // The pane's rectangle in the bar's coordinates; empty for a bad index.
    QRect PaneRect(int index) const;

    // Index of the first pane containing the point, or -1. The point is in the
    // bar's coordinates, or in the parent's when the bar lives in a dialog.
    int HitTestPane(const QPoint& point) const;

    // Text shown in the message pane while no prompt is shown.
    void SetIdleText(const QString& text);
    // A report that stays in the message pane until the next; "" brings the
    // idle text back.
    void ShowMessageText(const QString& text);
    // A running count ("Sending: N bytes left") shown over the report or idle
    // text; "" brings back whichever of them was there, so the count never
    // wipes a report that came before or during it.
    void ShowProgressText(const QString& text);

signals:
    // Every mouse action on the bar, with the point in the bar's coordinates.
    void mouseAction(QEvent::Type type, Qt::MouseButton button, const QPoint& point);
    void paneDoubleClicked(int pane, const QPoint& point);

protected:
    // Runs after a pane moved or changed size (layout, text, resize).
    virtual void OnPanesMoved() {}
    virtual void OnPaneDoubleClick(int /*pane*/) {}

    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

    // Settles the bar's layout now so pane rectangles are current.
    void SettleLayout();

private:
    QLabel* MakePane(const QString& text);
    // Replaces the panes after the message pane with empty ones for `ids`.
    void MakePanes(const std::vector<int>& ids);
    int PaneAt(const QPoint& local) const;
    void Report(QMouseEvent* event);

    std::vector<QLabel*> m_panes; // [0] is the message pane
    std::vector<int> m_ids;       // [0] is 0
    bool m_rebuilding = false;
    void ShowMessagePane();
    // Shows m_message in the message pane, cut with an ellipsis when it is wider.
    void FitMessage();
    QString m_message; // what the message pane shows, whole

    QString m_idleText;
    QString m_messageText;
    QString m_progressText;
};

} // namespace kestrelon
