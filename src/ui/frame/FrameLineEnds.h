// The line-end conversions within reach: Toggle menu items with check marks
// for LF -> CR LF and CR -> CR LF on receive and CR -> CR LF on send, and a
// status-bar pane naming the current choice, whose double click opens
// Setup > Terminal. A change marks the configuration modified, as the dialog does.
#pragma once

#include <QObject>
#include <QString>

class QAction;
class QLabel;
class QMenu;
class QStatusBar;

namespace kestrelon {

class CKestronDoc;

class CFrameLineEnds : public QObject {
    Q_OBJECT
public:
    CFrameLineEnds(CKestronDoc& doc, QObject* parent);

    // The three items at the end of `toggleMenu`.
    void BuildMenu(QMenu* toggleMenu);
    // The pane, at the right end of the bar's permanent panes.
    void BuildStatus(QStatusBar* bar);
    // Back to the right end after the bar's panes were made anew (a new mode).
    void KeepPaneAtEnd();
    // Check marks and pane as the document says (after a dialog or a new file).
    void UpdateStates();

    // "LF→CRLF", "CR→CRLF", "Send CR→CRLF", joined; "Line ends as is" for none.
    static QString PaneText(bool lfOnReceive, bool crOnReceive, bool crOnSend);

signals:
    // A double click on the pane asks for Setup > Terminal.
    void setupRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // 0 LF on receive, 1 CR on receive, 2 CR on send.
    void Toggle(int which);

    CKestronDoc& m_doc;
    QAction* m_items[3] = {};
    QLabel* m_pane = nullptr;
};

} // namespace kestrelon
