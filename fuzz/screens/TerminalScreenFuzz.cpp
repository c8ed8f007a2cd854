// Arbitrary received bytes into the Terminal view's model at a size, encoding and
// block length the first bytes choose, with resizes between blocks: no crash, no
// undefined behaviour, the cursor on screen and the answers bounded after every
// block, and at the end every wide character whole, the scrollback bounded, the
// cells past each row's written length blank, and the text export, its folding
// and a find over what is left all staying inside the model.
#include "screens/TerminalFinder.h"
#include "screens/TerminalScreen.h"
#include "screens/TerminalText.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

using kestrelon::CTerminalCell;
using kestrelon::CTerminalScreen;

void CheckRow(const CTerminalCell* cells, int columns)
{
    if (cells == nullptr)
        std::abort();
    for (int column = 0; column < columns; ++column) {
        const bool wide = cells[column].width == CTerminalCell::WIDE;
        const bool nextContinues = column + 1 < columns && cells[column + 1].width == CTerminalCell::CONTINUATION;
        if (wide != nextContinues || (column == 0 && cells[0].width == CTerminalCell::CONTINUATION))
            std::abort();
    }
}

// Cheap enough for every block.
void CheckCursor(CTerminalScreen& screen)
{
    if (screen.CursorRow() < 0 || screen.CursorRow() >= screen.Rows() || screen.CursorColumn() < 0 ||
        screen.CursorColumn() >= screen.Columns() || screen.ScrollbackLines() > screen.ScrollbackLimit() ||
        // each kept byte of a title becomes at most a U+FFFD, three bytes
        screen.Title().size() > 3 * kestrelon::CVtParser::MAX_STRING_LENGTH ||
        screen.TakeAnswers().size() > CTerminalScreen::MAX_PENDING_ANSWERS)
        std::abort();
}

void CheckCells(const CTerminalScreen& screen)
{
    for (int line = -screen.ScrollbackLines(); line < screen.Rows(); ++line)
        CheckRow(screen.LineAt(line), screen.Columns());
    for (int row = 0; row < screen.Rows(); ++row)
        for (int column = screen.ScreenRowLength(row); column < screen.Columns(); ++column)
            if (!screen.ScreenRow(row)[column].IsPlainBlank())
                std::abort();
    if (screen.LineText(screen.Rows() - 1).size() > static_cast<std::size_t>(screen.Columns()) * 12)
        std::abort();
}

// The export of everything, folded for a page, and a find for a few of the
// input's bytes in both directions.
void CheckText(const CTerminalScreen& screen, const std::uint8_t* pattern, std::size_t length)
{
    for (const std::string& line : kestrelon::FoldTerminalText(kestrelon::TerminalText(screen), 20))
        if (line.find('\n') != std::string::npos)
            std::abort();
    if (length == 0)
        return;
    kestrelon::CTerminalFinder finder;
    finder.SetPattern({reinterpret_cast<const char*>(pattern), length < 3 ? length : 3}, (pattern[0] & 1) != 0);
    for (auto direction : {kestrelon::FindDirection::Forward, kestrelon::FindDirection::Backward})
        if (const auto match = finder.Find(screen, std::nullopt, direction, true))
            if (match->first.line < -screen.ScrollbackLines() || match->first.line >= screen.Rows() ||
                !(match->first < match->last))
                std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4)
        return 0;
    CTerminalScreen screen(20 + data[0] % 64, 5 + data[1] % 24, data[3] % 64);
    const std::size_t block = 1 + data[2] % 97;
    if (data[3] & 0x80)
        screen.SetEncoding(kestrelon::TerminalEncoding::Latin1);
    data += 4;
    size -= 4;
    int blocks = 0;
    for (std::size_t at = 0; at < size; at += block) {
        const std::size_t length = size - at < block ? size - at : block;
        screen.Feed(data + at, length);
        CheckCursor(screen);
        if (++blocks % 31 == 0) { // the view is resized now and then, at sizes the data chooses
            screen.Resize(data[at] % 100, data[at + length - 1] % 40);
            CheckCursor(screen);
        }
    }
    CheckCells(screen);
    CheckText(screen, data, size);
    return 0;
}
