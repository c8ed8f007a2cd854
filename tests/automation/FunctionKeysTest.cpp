// Function-key levels: stepping over empty levels in both directions, and the
// bar geometry at a few widths.
#include "automation/FunctionKeys.h"
#include "document/KestronDoc.h"

#include <gtest/gtest.h>

#include <vector>

using namespace kestrelon;

namespace {

struct LevelCase {
    const char* name;
    std::vector<int> filledLevels; // each gets one key with a title or a command
    int from;
    int up;
    int down;
};
void PrintTo(const LevelCase& c, std::ostream* os) { *os << c.name; }

class FkeyLevels : public ::testing::TestWithParam<LevelCase> {};

TEST_P(FkeyLevels, StepsToNextNonEmptyLevel)
{
    const LevelCase& c = GetParam();
    CKestronDoc doc;
    for (int level : c.filledLevels) {
        // A title alone or a command alone makes a level non-empty.
        if (level % 2 == 0)
            doc.fkeyLabel[static_cast<std::size_t>(FkeyIndex(level, 9))] = "t";
        else
            doc.fkeyCommand[static_cast<std::size_t>(FkeyIndex(level, 0))] = "c";
    }
    EXPECT_EQ(NextFkeyLevel(doc, c.from), c.up);
    EXPECT_EQ(PreviousFkeyLevel(doc, c.from), c.down);
}

INSTANTIATE_TEST_SUITE_P(
    Levels, FkeyLevels,
    ::testing::Values(LevelCase{"ZeroAndThreeFrom0", {0, 3}, 0, 3, 3}, LevelCase{"ZeroAndThreeFrom3", {0, 3}, 3, 0, 0},
                      LevelCase{"AllEmptyStays", {}, 4, 4, 4}, LevelCase{"OnlyCurrentFilledStays", {6}, 6, 6, 6},
                      LevelCase{"WrapsPastNine", {1, 9}, 9, 1, 1}, LevelCase{"DownWrapsPastZero", {0, 5, 8}, 0, 5, 8},
                      LevelCase{"FromEmptyLevel", {2, 7}, 4, 7, 2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FkeyNumberText, CoversRangeAndRejectsOutside)
{
    const std::vector<std::pair<int, std::string>> cases = {{0, "0/0"},  {9, "0/9"}, {10, "1/0"}, {37, "3/7"},
                                                            {99, "9/9"}, {-1, ""},   {100, ""}};
    for (const auto& [index, text] : cases)
        EXPECT_EQ(FkeyNumberText(index), text) << index;
}

TEST(FkeyBarLayout, ElevenUnitsAcrossTheBar)
{
    // 3 + 11 * 100 wide: unit 100.
    const FkeyBarLayout layout = LayoutFkeyBar(1103, 2, 3, 20);
    // clang-format off
    const FkeyBarLayout expected = {{{2, 3, 200, 20}, {2, 23, 200, 20}, {202, 3, 200, 20}, {202, 23, 200, 20},
                                     {402, 3, 200, 20}, {402, 23, 200, 20}, {602, 3, 200, 20}, {602, 23, 200, 20},
                                     {802, 3, 200, 20}, {802, 23, 200, 20}, {1002, 3, 100, 20}, {1002, 23, 100, 20}}};
    // clang-format on
    EXPECT_EQ(layout, expected);
}

} // namespace
