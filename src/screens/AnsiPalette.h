// The ANSI view's 16-colour palette and the rule that turns a cell's colour
// indices and attribute bits into the two colours it is drawn in. Kept apart from
// the widget so the rule is checked without a window.
#pragma once

#include "document/DataChannel.h"
#include "screens/AnsiScreen.h"

#include <array>

namespace kestrelon {

// 0 to 7: black, red, green, yellow, blue, magenta, cyan, white at two-thirds
// intensity; 8 to 15: the bright set that bold text uses.
constexpr std::array<COLORREF, 16> kAnsiPalette = {
    0x00000000, 0x000000AA, 0x0000AA00, 0x0000AAAA, 0x00AA0000, 0x00AA00AA, 0x00AAAA00, 0x00AAAAAA,
    0x00555555, 0x000000FF, 0x0000FF00, 0x0000FFFF, 0x00FF0000, 0x00FF00FF, 0x00FFFF00, 0x00FFFFFF,
};

constexpr COLORREF ANSI_SCREEN_COLOUR = 0x00000000; // empty cells show the black screen
constexpr COLORREF PRINT_TEXT_COLOUR = 0x00000000;
constexpr COLORREF PRINT_PAPER_COLOUR = 0x00FFFFFF;

struct CCellColours {
    COLORREF text = 0;
    COLORREF background = 0;
    bool operator==(const CCellColours&) const = default;
};

// Reverse swaps the normal colours and ignores bold; bold brightens the text;
// hidden text takes the background colour. `inColour` false gives black on
// white, as a printer without colour prints.
constexpr CCellColours CellColours(const CAnsiCell& cell, bool inColour = true)
{
    CCellColours colours;
    if (!inColour) {
        colours = {PRINT_TEXT_COLOUR, PRINT_PAPER_COLOUR};
    } else if (cell.attributes & ATTR_REVERSE) {
        colours = {kAnsiPalette[cell.background & 7u], kAnsiPalette[cell.foreground & 7u]};
    } else {
        const unsigned bright = (cell.attributes & ATTR_BOLD) ? 8u : 0u;
        colours = {kAnsiPalette[(cell.foreground & 7u) + bright], kAnsiPalette[cell.background & 7u]};
    }
    if (cell.attributes & ATTR_HIDDEN)
        colours.text = colours.background;
    return colours;
}

} // namespace kestrelon
