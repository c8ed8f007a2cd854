// Cells to UTF-8 text, ranges of lines with the wrapped ones joined, and text
// folded to a page's width.
#include "screens/TerminalText.h"

#include "screens/TerminalScreen.h"
#include "screens/Utf8Decoder.h"

#include <algorithm>

namespace kestrelon {

void AppendCellText(std::string& out, const CTerminalCell* cells, int line, int from, int to,
                    std::vector<CTerminalPlace>* places)
{
    for (int column = from; column < to; ++column) {
        const CTerminalCell& cell = cells[column];
        // The right half of a wide character: the character stands on its left half.
        if (cell.width == CTerminalCell::CONTINUATION)
            continue;
        const std::size_t before = out.size();
        AppendUtf8(out, cell.codePoint == 0 ? U' ' : cell.codePoint);
        for (const char16_t mark : cell.marks)
            if (mark != 0)
                AppendUtf8(out, mark);
        if (places != nullptr)
            places->insert(places->end(), out.size() - before, CTerminalPlace{line, column});
    }
}

std::string TerminalRangeText(const CTerminalScreen& screen, CTerminalPlace first, CTerminalPlace last)
{
    std::string text;
    const int columns = screen.Columns();
    // Lines that left the scrollback have no text left to give.
    if (first.line < -screen.ScrollbackLines())
        first = {-screen.ScrollbackLines(), 0};
    if (last.line >= screen.Rows())
        last = {screen.Rows() - 1, columns};
    if (!(first < last))
        return text;
    for (int line = first.line; line <= last.line; ++line) {
        const CTerminalCell* cells = screen.LineAt(line);
        const int from = line == first.line ? first.column : 0;
        const int to = line == last.line ? std::min(last.column, columns) : columns;
        const std::size_t start = text.size();
        if (cells != nullptr)
            AppendCellText(text, cells, line, from, std::min(to, screen.LineLength(line)));
        // A wrapped line's last blank is text the program wrote, not padding;
        // the blanks past what a row holds since the screen widened are.
        const bool wrapped = cells != nullptr && to >= columns && screen.LineWrapped(line);
        if (wrapped)
            continue;
        std::size_t end = text.size();
        while (end > start && text[end - 1] == ' ')
            --end;
        text.resize(end);
        if (line != last.line)
            text += '\n';
    }
    return text;
}

std::string TerminalText(const CTerminalScreen& screen)
{
    std::string text = TerminalRangeText(screen, {-screen.ScrollbackLines(), 0}, {screen.Rows() - 1, screen.Columns()});
    text.erase(text.find_last_not_of('\n') + 1);
    if (!text.empty())
        text += '\n';
    return text;
}

std::vector<std::string> FoldTerminalText(std::string_view text, int columns)
{
    std::vector<std::string> lines;
    columns = std::max(columns, 2); // room for one wide character
    for (std::size_t begin = 0; begin < text.size();) {
        const std::size_t end = std::min(text.find('\n', begin), text.size());
        std::string piece;
        int used = 0;
        CUtf8Decoder decoder;
        std::size_t start = begin; // of the code point being read
        for (std::size_t i = begin; i < end; ++i) {
            const auto b = static_cast<std::uint8_t>(text[i]);
            bool again = false;
            const char32_t codePoint = b < 0x80 ? char32_t{b} : decoder.Take(b, again);
            if (codePoint == CUtf8Decoder::NONE)
                continue;
            const int width = CodePointWidth(codePoint);
            if (used + width > columns) {
                lines.push_back(std::move(piece));
                piece.clear();
                used = 0;
            }
            piece.append(text.substr(start, i + 1 - start));
            used += width;
            start = i + 1;
        }
        lines.push_back(std::move(piece));
        begin = end + 1;
    }
    return lines;
}

} // namespace kestrelon
