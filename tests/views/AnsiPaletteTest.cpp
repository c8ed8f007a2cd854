// The colours a cell is drawn in: palette, bold brightening, reverse, hidden, and
// black on white for printers without colour.
#include "views/AnsiPalette.h"

#include <gtest/gtest.h>

namespace kestrelon {
namespace {

struct CColourCase {
    const char* name;
    CAnsiCell cell;
    bool inColour;
    CCellColours colours;
};

TEST(AnsiPalette, CellColours)
{
    constexpr auto P = kAnsiPalette;
    const CColourCase cases[] = {
        {"green on black", {'a', 2, 0, 0}, true, {P[2], P[0]}},
        {"bold green is palette 10", {'a', 2, 0, ATTR_BOLD}, true, {0x0000FF00, P[0]}},
        {"bold white is bright white", {'a', 7, 1, ATTR_BOLD}, true, {0x00FFFFFF, P[1]}},
        {"reverse swaps", {'a', 2, 4, ATTR_REVERSE}, true, {P[4], P[2]}},
        {"reverse ignores bold", {'a', 2, 4, ATTR_REVERSE | ATTR_BOLD}, true, {P[4], P[2]}},
        {"hidden takes background", {'a', 1, 4, ATTR_HIDDEN}, true, {P[4], P[4]}},
        {"hidden reversed takes new background", {'a', 1, 4, ATTR_HIDDEN | ATTR_REVERSE}, true, {P[1], P[1]}},
        {"blink and underline keep colours", {'a', 3, 5, ATTR_BLINK | ATTR_UNDERLINE}, true, {P[3], P[5]}},
        {"printer without colour", {'a', 1, 4, ATTR_BOLD | ATTR_REVERSE}, false, {0x00000000, 0x00FFFFFF}},
        {"hidden on paper is blank", {'a', 1, 4, ATTR_HIDDEN}, false, {0x00FFFFFF, 0x00FFFFFF}},
    };
    for (const CColourCase& c : cases) {
        const CCellColours colours = CellColours(c.cell, c.inColour);
        EXPECT_EQ(colours.text, c.colours.text) << c.name;
        EXPECT_EQ(colours.background, c.colours.background) << c.name;
    }
}

} // namespace
} // namespace kestrelon
