// CTerminalSelection: hit tests and the selected text.
#include "ui/views/TerminalSelection.h"

#include "screens/TerminalScreen.h"
#include "screens/TerminalText.h"

#include <algorithm>
#include <climits>

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
    if (IsEmpty())
        return {};
    // Stable lines far from the model's are held inside int; the walk then
    // keeps to the lines the model still has.
    const std::int64_t offset = static_cast<std::int64_t>(screen.LinesScrolledOff());
    auto place = [offset](CPoint point) {
        const std::int64_t line = std::clamp<std::int64_t>(point.line - offset, INT_MIN / 2, INT_MAX / 2);
        return CTerminalPlace{static_cast<int>(line), point.column};
    };
    return TerminalRangeText(screen, place(First()), place(Last()));
}

} // namespace kestrelon
