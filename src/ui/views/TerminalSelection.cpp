// CTerminalSelection: hit tests and the selected text.
#include "ui/views/TerminalSelection.h"

#include "screens/TerminalKeys.h"
#include "screens/TerminalScreen.h"

namespace kestrelon {

std::int64_t CTerminalSelection::StableLine(const CTerminalScreen& screen, int line)
{
    return static_cast<std::int64_t>(screen.LinesScrolledOff()) + line;
}

bool CTerminalSelection::Contains(std::int64_t line, int column) const
{
    if (IsEmpty())
        return false;
    const CPoint cell{line, column};
    return First() <= cell && cell < Last();
}

std::string CTerminalSelection::Text(const CTerminalScreen& screen) const
{
    std::string text;
    if (IsEmpty())
        return text;
    const std::int64_t offset = static_cast<std::int64_t>(screen.LinesScrolledOff());
    const CPoint first = First();
    const CPoint last = Last();
    for (std::int64_t stable = first.line; stable <= last.line; ++stable) {
        const std::int64_t line = stable - offset;
        const CTerminalCell* cells =
            line >= -screen.ScrollbackLines() && line < screen.Rows() ? screen.LineAt(static_cast<int>(line)) : nullptr;
        const int from = stable == first.line ? first.column : 0;
        const int to = stable == last.line ? last.column : screen.Columns();
        std::string row;
        for (int column = from; cells != nullptr && column < to && column < screen.Columns(); ++column) {
            const CTerminalCell& cell = cells[column];
            if (cell.width == CTerminalCell::CONTINUATION)
                continue;
            AppendEncoded(row, cell.codePoint == 0 ? U' ' : cell.codePoint, true);
            for (const char16_t mark : cell.marks)
                if (mark != 0)
                    AppendEncoded(row, mark, true);
        }
        const bool wrapped = cells != nullptr && to >= screen.Columns() && screen.LineWrapped(static_cast<int>(line));
        if (!wrapped)
            row.erase(row.find_last_not_of(' ') + 1);
        text += row;
        if (stable != last.line && !wrapped)
            text += '\n';
    }
    return text;
}

} // namespace kestrelon
