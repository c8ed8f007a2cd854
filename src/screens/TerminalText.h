// The Terminal view's lines as text: the one walk over cells that copying a
// selection, Save Output As, Copy All, printing and the find share. UTF-8, a
// wide character once, combining marks kept, rows the program wrapped at the
// screen's width joined back into one line, as terminals do when copying.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestrelon {

class CTerminalScreen;
struct CTerminalCell;

// A place between cells in the model's numbering: lines -ScrollbackLines() ..
// Rows() - 1, column 0 left of the first cell.
struct CTerminalPlace {
    int line = 0;
    int column = 0;
    auto operator<=>(const CTerminalPlace&) const = default;
};

// Appends cells `from` to before `to` of a row as UTF-8. With `places`, the
// place of the cell each appended byte came from is appended there too.
void AppendCellText(std::string& out, const CTerminalCell* cells, int line, int from, int to,
                    std::vector<CTerminalPlace>* places = nullptr);

// The text from `first` to before `last`: trailing blanks of each line
// dropped, a line break after each line that did not wrap. Lines outside the
// model are empty.
std::string TerminalRangeText(const CTerminalScreen& screen, CTerminalPlace first, CTerminalPlace last);

// Everything the model holds, oldest first, each line ended by LF, the empty
// lines at the end dropped: what Save Output As writes.
std::string TerminalText(const CTerminalScreen& screen);

// Cuts text into lines of at most `columns` cells (wide characters take two,
// combining marks none), for a page narrower than the lines.
std::vector<std::string> FoldTerminalText(std::string_view text, int columns);

} // namespace kestrelon
