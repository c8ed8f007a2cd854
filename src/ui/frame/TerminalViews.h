// The four terminal views as the main window sees them: making them, and the
// commands that reach the active one (edit, autoscroll, printing). The only file
// of the window that knows the concrete view classes.
#pragma once

#include "ui/frame/MainFrame.h"

#include <optional>
#include <string>

class QPrinter;

namespace kestrelon {

enum class ViewEdit { Copy, Paste, SelectAll };

// 0 ASCII, 1 hex, 2 ANSI, 3 Terminal, on the frame's document and message target.
CMainFrame::CViewSlot MakeTerminalView(int index, CMainFrame& frame);
// The view became the one shown (or stopped being it).
void SetTerminalViewActive(QWidget* view, bool active);
// The view rings the bell itself (the Terminal view), so the window does not.
bool TerminalViewOwnsBell(const QWidget* view);
// The view gives Ctrl+F and F3 to the device (the Terminal view: a program's search).
bool TerminalViewTakesFindKeys(const QWidget* view);
bool CanEditTerminalView(const QWidget* view, ViewEdit edit);
void EditTerminalView(QWidget* view, ViewEdit edit);
// Edit > Paste, Shift+Insert and Ctrl+Shift+V: every view pastes the
// clipboard's text as if typed (the ANSI view's Ctrl+V stays 0x16).
bool CanPasteToTerminal();
void PasteToTerminal(CMainFrame& frame);
// The view's autoscroll flag; none for a view without one.
std::optional<bool> TerminalViewAutoscroll(const QWidget* view);
void ToggleTerminalViewAutoscroll(QWidget* view);
// Find, Save Output and Copy All reach the ASCII, hex and Terminal views,
// Timestamps the ASCII and hex views.
bool CanFindInTerminalView(const QWidget* view);
void SetTerminalViewFind(QWidget* view, const QString& text, bool matchCase);
// Selects the next or previous match; false when there is none.
bool FindInTerminalView(QWidget* view, bool forward, bool inclusive);
// Every row the view shows, as text; none for a view without rows to save.
std::optional<std::string> TerminalViewText(const QWidget* view);
void SetTerminalViewTimestamps(QWidget* view, bool on);
// The character cell of a view that lays text out in cells.
std::optional<QSize> TerminalViewCellSize(const QWidget* view);
// Runs the view's own print dialog (or preview); false for a view that does not print.
bool PrintTerminalView(QWidget* view, QPrinter& printer, bool preview,
                       const std::function<int(QDialog&)>& runDialog);

} // namespace kestrelon
