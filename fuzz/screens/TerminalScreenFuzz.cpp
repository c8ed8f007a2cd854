// Arbitrary received bytes into the Terminal view's model at a size, encoding and
// block length the first bytes choose, with resizes between blocks: no crash, no
// undefined behaviour, the cursor on screen and the answers bounded after every
// block, and at the end every wide character whole, the scrollback bounded, and
// the cells past each row's written length blank.
#include "screens/TerminalScreen.h"

#include <cstdint>
#include <cstdlib>

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
    return 0;
}
