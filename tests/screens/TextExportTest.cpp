// Save Output and Copy All: a full 1999-line history comes out as the view
// shows it, line by line; stamps lead each line once, wrapped rows get none.
#include "screens/TextExport.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace kestrelon {
namespace {

void Hint(CAsciiGrid& grid, Hint kind, const std::string& bytes, DataTime time)
{
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    grid.Apply({kind, data[0], data, static_cast<std::int32_t>(bytes.size()), RECEIVE_COLOUR, 0, time}, grid.Columns(),
               grid.Lines());
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST(TextExportTest, LargestHistoryEqualsTheShownLines)
{
    CAsciiGrid grid(999, 1999);
    std::vector<std::string> expected;
    for (int i = 0; i < 2500; ++i) {
        // Trailing blanks, a byte above 127, and a CR that overwrites.
        std::string line = "row " + std::to_string(i) + " caf\xE9   ";
        Hint(grid, HINT_BLOCK, line, 0);
        Hint(grid, HINT_BYTE, "\r", 0);
        Hint(grid, HINT_BLOCK, "R", 0);
        Hint(grid, HINT_BYTE, "\r", 0);
        Hint(grid, HINT_BYTE, "\n", 0);
        expected.push_back("Row " + std::to_string(i) + " caf\xC3\xA9");
    }
    expected.erase(expected.begin(), expected.end() - 1998);
    expected.push_back(""); // the caret's row
    EXPECT_EQ(Lines(AsciiGridText(grid, false)), expected);
}

TEST(TextExportTest, StampsLeadEachLineOnceAndWrappedRowsAreIndented)
{
    CAsciiGrid grid(40, 25);
    const DataTime t0 = 1537961613000, t1 = t0 + 10;
    Hint(grid, HINT_BLOCK, std::string(40, 'a'), t0); // fills the row: the caret wraps
    Hint(grid, HINT_BLOCK, "bb", t0 + 5);              // continues the same line
    Hint(grid, HINT_BYTE, "\r", t0 + 5);
    Hint(grid, HINT_BYTE, "\n", t0 + 5);
    Hint(grid, HINT_BLOCK, "next", t1);
    const std::vector<std::string> expected{
        TimeStampText(t0) + std::string(40, 'a'),
        std::string(TIME_STAMP_LENGTH, ' ') + "bb",
        TimeStampText(t1) + "next",
    };
    EXPECT_EQ(Lines(AsciiGridText(grid, true)), expected);
    EXPECT_EQ(grid.RowTime(1), 0);
}

TEST(TextExportTest, HexRowsCarryTheirFirstBytesTime)
{
    CHexHistory history;
    const std::string data = "0123456789ABCDEF\xFF";
    history.AddBlock(reinterpret_cast<const std::uint8_t*>(data.data()), 17, RECEIVE_COLOUR, 1000);
    history.AddByte('x', SEND_COLOUR, 2000);
    const std::vector<std::string> lines = Lines(HexHistoryText(history, true));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], history.RowText(0) + "  " + TimeStampText(1000).substr(0, 12));
    EXPECT_EQ(lines[1].substr(50), "\xC3\xBF" + std::string(17, ' ') + TimeStampText(1000).substr(0, 12));
    EXPECT_EQ(lines[2].substr(68), TimeStampText(2000).substr(0, 12));
}

TEST(TimeStampTest, FormatsLocalTimeWithMilliseconds)
{
    setenv("TZ", "UTC", 1);
    tzset();
    EXPECT_EQ(TimeStampText(1537961613007), "11:33:33.007 ");
    EXPECT_EQ(TimeStampText(1537961613999 + 1), "11:33:34.000 ");
}

} // namespace
} // namespace kestrelon
