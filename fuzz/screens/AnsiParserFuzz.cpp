// Arbitrary received bytes into the ANSI screen, cut into blocks at places the
// input chooses: no crash, no undefined behaviour, and the screen's invariants
// (cursor on screen, bounded sequence and saved-cursor stack) always hold, and
// rows scrolled in are blank in every plane.
#include "screens/AnsiScreen.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

class CCheckedReplies : public kestrelon::IAnsiReplyTarget {
public:
    void ReplyText(const char* text) override
    {
        if (text == nullptr || std::strlen(text) > 16)
            std::abort();
    }
    void ReplyBytes(const std::uint8_t* data, std::int32_t length) override
    {
        // "ESC [80;25R" and its NUL at most.
        if (data == nullptr || length < 7 || length > 12 || data[length - 1] != 0)
            std::abort();
    }
};

void CheckInvariants(const kestrelon::CAnsiScreen& screen)
{
    using kestrelon::CAnsiScreen;
    if (screen.CursorColumn() < 0 || screen.CursorColumn() >= CAnsiScreen::COLUMNS || screen.CursorRow() < 0 ||
        screen.CursorRow() >= CAnsiScreen::ROWS || screen.EscapeLength() > CAnsiScreen::MAX_ESCAPE_LENGTH ||
        screen.SavedCursorCount() > CAnsiScreen::MAX_SAVED_CURSORS || screen.CurrentForeground() > 7 ||
        screen.CurrentBackground() > 7)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte sets the block length, so sequences get split everywhere.
    const std::size_t block = 1 + data[0] % 97;
    ++data;
    --size;
    CCheckedReplies replies;
    kestrelon::CAnsiScreen screen(&replies);
    for (std::size_t at = 0; at < size; at += block) {
        const std::size_t length = size - at < block ? size - at : block;
        screen.ProcessBlock(data + at, static_cast<std::int32_t>(length));
        CheckInvariants(screen);
    }
    for (int row = 0; row < kestrelon::CAnsiScreen::ROWS; ++row) {
        const std::uint8_t* foreground = screen.RowForeground(row);
        const std::uint8_t* background = screen.RowBackground(row);
        for (int column = 0; column < kestrelon::CAnsiScreen::COLUMNS; ++column)
            if ((foreground[column] | background[column]) > 7)
                std::abort();
    }
    // Whatever the bytes left, scrolling a screen's height through (the first
    // line feed may only end an open sequence) blanks every plane of every row.
    const std::uint8_t lineFeed = '\n';
    for (int i = 0; i <= 2 * kestrelon::CAnsiScreen::ROWS; ++i)
        screen.ProcessByte(lineFeed);
    for (int row = 0; row < kestrelon::CAnsiScreen::ROWS; ++row)
        for (const std::uint8_t* plane : {screen.RowChars(row), screen.RowForeground(row), screen.RowBackground(row),
                                          screen.RowAttributes(row)})
            for (int column = 0; column < kestrelon::CAnsiScreen::COLUMNS; ++column)
                if (plane[column] != 0)
                    std::abort();
    return 0;
}
