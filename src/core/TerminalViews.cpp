// Makes the three terminal views the main window switches between: 0 ASCII,
// 1 hex, 2 ANSI. A view the program does not have yet is a placeholder.
#include "core/MainFrame.h"
#include "core/PlaceholderView.h"

namespace kestrelon {

CMainFrame::CViewSlot MakeTerminalView(int index, CMainFrame& frame)
{
    static const char* const kNames[CMainFrame::VIEW_COUNT] = {"AsciiView", "HexView", "AnsiView"};
    auto* view = new CPlaceholderView(QString::fromLatin1(kNames[index]), &frame);
    return {view, view};
}

} // namespace kestrelon
