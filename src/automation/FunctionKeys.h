// Function-key levels and the bar's geometry, without widgets: stepping through
// the levels that hold anything, and placing ten keys and two level buttons in a
// bar of any width.
#pragma once

#include "document/SavedSettings.h" // FKEY_COUNT

#include <array>
#include <string>

namespace kestrelon {

class CKestronDoc;

// The hundred titles and commands as the Function Keys dialog edits them.
struct FunctionKeyTexts {
    std::array<std::string, FKEY_COUNT> labels;
    std::array<std::string, FKEY_COUNT> commands;

    bool operator==(const FunctionKeyTexts&) const = default;

    static FunctionKeyTexts FromDocument(const CKestronDoc& doc);
    // Copies all 200 texts back and marks the document modified; the caller then
    // posts TC_REFRESH_FKEYS so the bar shows the new titles.
    void ApplyTo(CKestronDoc& doc) const;
};

// Key number of a level and key index (level * 10 + key).
constexpr int FkeyIndex(int level, int key)
{
    return level * 10 + key;
}

// The "#" column of the Function Keys dialog: "level/key", as "3/7".
std::string FkeyNumberText(int index);

// Level + / Level -: from `level`, step up (9 wraps to 0) or down (0 wraps to 9)
// to the next level that is not empty; when every other level is empty the
// level stays where it was.
int NextFkeyLevel(const CKestronDoc& doc, int level);
int PreviousFkeyLevel(const CKestronDoc& doc, int level);

struct CBarRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const CBarRect&) const = default;
};

// Buttons of the bar in layout order: keys 0 to 9, then Level +, Level -.
constexpr int FKEY_BAR_BUTTONS = 12;
constexpr int FKEY_BAR_LEVEL_UP = 10;
constexpr int FKEY_BAR_LEVEL_DOWN = 11;
using FkeyBarLayout = std::array<CBarRect, FKEY_BAR_BUTTONS>;

// The bar spans the frame: with W its width the unit is (W - 3) / 11; keys are
// two units wide and stand in five columns of two (key 0 above key 1, ...), the
// level buttons one unit wide in a sixth column (Level + above Level -). `left`,
// `top` and `rowHeight` are where the first key sits and how tall a row is.
FkeyBarLayout LayoutFkeyBar(int width, int left, int top, int rowHeight);

} // namespace kestrelon
