// CTerminalView's text commands: Save Output As and Copy All, the find bar's
// search with the match selected and held in view, and printing.
#include "ui/views/PrintPage.h"
#include "ui/views/TerminalView.h"

#include "screens/TerminalText.h"

#include <QPrinter>

#include <algorithm>

namespace kestrelon {

namespace {
// Pages of a narrow terminal still take the usual line of paper.
constexpr int kPrintColumns = 80;
} // namespace

std::string CTerminalView::ShownText() const
{
    return TerminalText(Screen());
}

void CTerminalView::SetFindText(const std::string& utf8, bool matchCase)
{
    m_finder.SetPattern(utf8, matchCase);
}

bool CTerminalView::FindStep(FindDirection direction, bool inclusive)
{
    const CTerminalScreen& screen = Screen();
    // On from the selection (the last match, or what the user marked).
    std::optional<CTerminalPlace> from;
    if (!m_selection.IsEmpty()) {
        const CTerminalSelection::CPoint first = m_selection.First();
        const std::int64_t line = first.line - static_cast<std::int64_t>(screen.LinesScrolledOff());
        if (line >= -screen.ScrollbackLines() && line < screen.Rows())
            from = CTerminalPlace{static_cast<int>(line), first.column};
    }
    const std::optional<CTerminalFinder::CMatch> match = m_finder.Find(screen, from, direction, inclusive);
    if (!match) {
        // A match left selected would read as found.
        m_selection.Clear();
        viewport()->update();
        return false;
    }
    m_selection.Start({CTerminalSelection::StableLine(screen, match->first.line), match->first.column});
    m_selection.Extend({CTerminalSelection::StableLine(screen, match->last.line), match->last.column});
    ShowLine(match->first.line);
    return true;
}

void CTerminalView::ShowLine(int line)
{
    const CTerminalScreen& screen = Screen();
    int top = TopLine();
    if (line < top || line >= top + screen.Rows())
        top = std::clamp(line - screen.Rows() / 2, -screen.ScrollbackLines(), 0);
    // Held as when reading back, so that new output does not carry the match
    // away; typing returns to the output as usual.
    m_reading = true;
    m_readingTop = CTerminalSelection::StableLine(screen, top);
    UpdateScrollBar();
    viewport()->update();
}

void CTerminalView::Print(QPrinter& printer)
{
    // Lines as long as the screen is wide, folded where the paper is narrower.
    const int fitting = PrintColumnsFitting(printer);
    const int columns = std::min(Screen().Columns(), fitting);
    const std::vector<std::string> lines = FoldTerminalText(ShownText(), columns);
    PrintLinePages(printer, std::min(std::max(columns, kPrintColumns), fitting), static_cast<int>(lines.size()),
                   [&lines](int index) { return QString::fromStdString(lines[static_cast<std::size_t>(index)]); });
}

} // namespace kestrelon
