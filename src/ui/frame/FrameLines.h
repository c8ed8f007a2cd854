// The control lines of a serial connection in the main window: the Lines menu and
// its toolbar group (DTR and RTS as check items, Send Break) and the status bar's
// live CTS, DSR, DCD and RI. The window never touches the port: each command is
// queued on the serial writer thread behind the bytes already being sent.
#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <QString>

class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QStatusBar;
class QToolBar;

namespace kestrelon {

class CDataHub;
class CKestronDoc;

class CFrameLines : public QObject {
    Q_OBJECT
public:
    CFrameLines(CKestronDoc& doc, QWidget* window);

    // The menu goes before `before` (the Help menu) or at the end when null.
    void BuildMenu(QMenuBar* bar, QAction* before);
    QToolBar* BuildToolBar(QWidget* parent);
    void BuildStatus(QStatusBar* bar);
    void SetHub(CDataHub* hub) { m_hub = hub; }

    // The lines as the hub last heard them (see IHubWindow::ShowModemLines).
    void ShowModemLines(int bits);
    // Enabled, checked and tool tip of each item, from the hub's state.
    void UpdateStates();

    QMenu* Menu() const { return m_menu; }
    QAction* DtrAction() const { return m_dtr; }
    QAction* RtsAction() const { return m_rts; }
    QAction* BreakAction() const { return m_break; }
    QLabel* StatusLabel() const { return m_status; }

    // Why an item is disabled, or empty when it is not. Texts the user reads.
    static QString DisabledReason(std::uint32_t commMode, int modemLines, bool handshakeOwnsLine);
    // Rich text of the status label: raised lines dark, dropped ones grey.
    static QString StatusText(int modemLines);

private:
    void Toggle(QAction* action, int modemBit);

    CKestronDoc& m_doc;
    CDataHub* m_hub = nullptr;
    QMenu* m_menu = nullptr;
    QAction* m_dtr = nullptr;
    QAction* m_rts = nullptr;
    QAction* m_break = nullptr;
    QLabel* m_status = nullptr;
    int m_lines = -2;
};

} // namespace kestrelon
