// Hex history: exact display lines for scripted byte streams, the bounded ring,
// the hints that clear it, and the numbers used for following and printing.
#include "screens/HexHistory.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace kestrelon {
namespace {

constexpr COLORREF kBlue = RECEIVE_COLOUR;
constexpr COLORREF kRed = SEND_COLOUR;

std::string Pad(const std::string& hex, const std::string& ascii)
{
    return hex + std::string(CHexHistory::ASCII_COLUMN - hex.size(), ' ') + ascii;
}

struct CChunk {
    std::string bytes;
    COLORREF colour = kBlue;
    bool single = false; // delivered byte by byte through hint 1
};

// One display row as compared: the line item's colour and text.
struct CRow {
    COLORREF colour;
    std::string text;
    bool operator==(const CRow&) const = default;
};

std::ostream& operator<<(std::ostream& os, const CRow& row)
{
    return os << "{0x" << std::hex << row.colour << std::dec << ", \"" << row.text << "\"}";
}

struct CHexCase {
    const char* name;
    int screenLines; // 0: leave the history at its initial size
    std::vector<CChunk> chunks;
    std::vector<CRow> rows; // completed lines, then the pending line
    int pendingCount;
};
void PrintTo(const CHexCase& c, std::ostream* os) { *os << c.name; }

CHexHistory Feed(const CHexCase& c)
{
    CHexHistory history;
    if (c.screenLines > 0)
        history.ApplyHint(CUpdateHint{HINT_NEW_SETTINGS, 0, nullptr, 0, 0, c.screenLines});
    for (const CChunk& chunk : c.chunks) {
        const auto* data = reinterpret_cast<const std::uint8_t*>(chunk.bytes.data());
        const auto length = static_cast<std::int32_t>(chunk.bytes.size());
        if (!chunk.single)
            history.ApplyHint(CUpdateHint{HINT_BLOCK, 0, data, length, chunk.colour, 0});
        for (std::int32_t i = 0; chunk.single && i < length; ++i)
            history.ApplyHint(CUpdateHint{HINT_BYTE, data[i], nullptr, 0, chunk.colour, 0});
    }
    return history;
}

std::vector<CRow> Rows(const CHexHistory& history)
{
    std::vector<CRow> rows;
    for (int row = 0; row < history.RowCount(); ++row)
        rows.emplace_back(history.RowColour(row), history.RowText(row));
    return rows;
}

std::string Sixteen(char first)
{
    std::string bytes;
    for (int i = 0; i < 16; ++i)
        bytes += static_cast<char>(first + i);
    return bytes;
}

// The hex part of up to 16 bytes.
std::string Hex(const std::string& bytes)
{
    std::string hex;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        char cell[8];
        std::snprintf(cell, sizeof cell, i == 8 ? "  %02X" : " %02X", static_cast<unsigned char>(bytes[i]));
        hex += cell;
    }
    return hex;
}

std::string SixteenText(char first)
{
    return Pad(Hex(Sixteen(first)), Sixteen(first));
}

std::vector<CHexCase> HexCases()
{
    const std::string fullDigits = " 30 31 32 33 34 35 36 37  38 39 41 42 43 44 45 46 0123456789ABCDEF";
    // clang-format off
    std::vector<CHexCase> cases = {
        {"SixteenBytesMakeOneFullLine", 0, {{"0123456789ABCDEF"}}, {{kBlue, fullDigits}}, 0},
        {"EchoAfterReceivedStartsNewLine", 0, {{"abc"}, {"x", kRed, true}}, {{kBlue, Pad(" 61 62 63", "abc")}, {kRed, Pad(" 78", "x")}}, 1},
        {"OneByteColourChangesEachStartALine", 0, {{"a", kBlue, true}, {"b", kRed, true}, {"c", kBlue, true}},
         {{kBlue, Pad(" 61", "a")}, {kRed, Pad(" 62", "b")}, {kBlue, Pad(" 63", "c")}}, 1},
        {"CrLfAsSingleBytes", 0, {{"\r\n", kBlue, true}}, {{kBlue, Pad(" 0D 0A", "..")}}, 2},
        {"ControlDelAndHighBytes", 0, {{std::string("\x7f\x1f\xe4\x20\x00", 5)}}, {{kBlue, Pad(" 7F 1F E4 20 00", "..\xe4 .")}}, 5},
        {"BlockAcrossLines", 0, {{"01234"}, {"56789ABCDEFGHIJKLMNO"}},
         {{kBlue, fullDigits}, {kBlue, Pad(" 47 48 49 4A 4B 4C 4D 4E  4F", "GHIJKLMNO")}}, 9},
        {"ErrorColourIsItsOwnLine", 0, {{"ab"}, {"E", ERROR_COLOUR}}, {{kBlue, Pad(" 61 62", "ab")}, {ERROR_COLOUR, Pad(" 45", "E")}}, 1},
    };
    // clang-format on

    // 25 screen lines keep 24 completed lines plus the pending one: of 25 full
    // lines the oldest is dropped.
    CHexCase bounded{"TwentyFiveScreenLinesKeep24PlusPending", 25, {}, {}, 3};
    for (int line = 0; line < 25; ++line)
        bounded.chunks.push_back({Sixteen(static_cast<char>(0x20 + line))});
    bounded.chunks.push_back({"xyz"});
    for (int line = 1; line < 25; ++line)
        bounded.rows.emplace_back(kBlue, SixteenText(static_cast<char>(0x20 + line)));
    bounded.rows.emplace_back(kBlue, Pad(" 78 79 7A", "xyz"));
    cases.push_back(bounded);

    // The ring wraps several times and still yields the newest lines, oldest first.
    CHexCase wrapped{"RingWrapsKeepingNewestInOrder", 4, {}, {}, 0};
    for (int line = 0; line < 11; ++line)
        wrapped.chunks.push_back({Sixteen(static_cast<char>(0x30 + line)), line % 2 ? kRed : kBlue});
    for (int line = 8; line < 11; ++line)
        wrapped.rows.emplace_back(line % 2 ? kRed : kBlue, SixteenText(static_cast<char>(0x30 + line)));
    cases.push_back(wrapped);

    // Around a chunk of the ring: a history of exactly one chunk, one line
    // more than a chunk, and the ring wrapping across its two chunks.
    for (const auto& [name, screenLines, lines] : {std::tuple{"OneFullChunk", 4097, 4096},
                                                   std::tuple{"OneLinePastAChunk", 4098, 4097},
                                                   std::tuple{"WrapsAcrossChunks", 4098, 9000}}) {
        CHexCase chunked{name, screenLines, {}, {}, 0};
        for (int line = 0; line < lines; ++line) {
            const std::string bytes = "line " + std::to_string(line) + std::string(16, '.');
            chunked.chunks.push_back({bytes.substr(0, 16)});
            if (line >= lines - (screenLines - 1))
                chunked.rows.emplace_back(kBlue, Pad(Hex(bytes.substr(0, 16)), bytes.substr(0, 16)));
        }
        cases.push_back(chunked);
    }

    // One screen line keeps no completed line at all, only the pending one.
    cases.push_back({"OneScreenLineKeepsOnlyPending", 1, {{Sixteen('A')}, {"q"}}, {{kBlue, Pad(" 71", "q")}}, 1});
    return cases;
}

class HexHistoryCase : public ::testing::TestWithParam<CHexCase> {};

TEST_P(HexHistoryCase, GivesExactLines)
{
    const CHexCase& c = GetParam();
    const CHexHistory history = Feed(c);
    EXPECT_EQ(Rows(history), c.rows);
    EXPECT_EQ(history.PendingCount(), c.pendingCount);
}

INSTANTIATE_TEST_SUITE_P(Streams, HexHistoryCase, ::testing::ValuesIn(HexCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(HexHistory, HintsClearOrLeaveTheHistory)
{
    using enum CHexHistory::HintEffect;
    const struct {
        const char* name;
        CUpdateHint hint;
        CHexHistory::HintEffect effect;
        int maxLines, rowsLeft;
    } cases[] = {
        {"reset", {HINT_RESET, 0, nullptr, 0, 0, 0}, Cleared, CHexHistory::DEFAULT_MAX_LINES, 0},
        {"font", {HINT_FONT, 0, nullptr, 0, 0, 0}, None, CHexHistory::DEFAULT_MAX_LINES, 2},
        {"new settings", {HINT_NEW_SETTINGS, 0, nullptr, 0, 0, 1000}, Cleared, 999, 0},
        {"screen size", {HINT_SCREEN_SIZE, 0, nullptr, 0, 0, 40}, Cleared, 39, 0},
        {"empty block", {HINT_BLOCK, 0, nullptr, 0, kBlue, 0}, None, CHexHistory::DEFAULT_MAX_LINES, 2},
    };
    for (const auto& c : cases) {
        CHexHistory history;
        history.AddBlock(reinterpret_cast<const std::uint8_t*>("0123456789ABCDEFxy"), 18, kBlue);
        EXPECT_EQ(history.ApplyHint(c.hint), c.effect) << c.name;
        EXPECT_EQ(history.MaxLines(), c.maxLines) << c.name;
        EXPECT_EQ(history.RowCount(), c.rowsLeft) << c.name;
    }
}

// A million-line history takes its chunks as lines arrive and gives them back
// when cleared: a chunk is 4096 lines of 32 bytes.
TEST(HexHistory, HoldsOnlyTheChunksReached)
{
    constexpr std::size_t kChunk = 4096 * 32;
    CHexHistory history;
    history.SetMaxLines(999999);
    EXPECT_LT(history.BytesAllocated(), std::size_t{4096});
    const std::string line(16 * 10000, 'x');
    history.AddBlock(reinterpret_cast<const std::uint8_t*>(line.data()), static_cast<std::int32_t>(line.size()), kBlue);
    EXPECT_EQ(history.LineCount(), 10000);
    EXPECT_GE(history.BytesAllocated(), 3 * kChunk);
    EXPECT_LT(history.BytesAllocated(), 3 * kChunk + 4096);
    history.Clear();
    EXPECT_LT(history.BytesAllocated(), kChunk + 4096);
    history.SetMaxLines(24);
    EXPECT_LT(history.BytesAllocated(), std::size_t{64});
}

TEST(HexHistory, FollowPositionScrollsOnlyWhenALineIsHidden)
{
    struct {
        int extent, client, cell, position;
    } const cases[] = {
        {100, 300, 20, -1}, // content fits
        {319, 300, 20, -1}, // less than one line hidden
        {320, 300, 20, 40}, // one line hidden: past the end, the scroll bar clamps
        {2000, 300, 20, 1720},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CHexHistory::FollowPosition(c.extent, c.client, c.cell), c.position) << c.extent << " " << c.client;
}

TEST(HexHistory, ExtentAndPagesCountThePendingLine)
{
    struct {
        int bytes, linesPerPage, pages, extent;
    } const cases[] = {
        {0, 50, 1, 100}, {1, 50, 1, 100},  {16, 50, 1, 100}, {80, 5, 1, 100},
        {81, 5, 2, 120}, {160, 5, 2, 200}, {161, 5, 3, 220}, {161, 0, 1, 220},
    };
    for (const auto& c : cases) {
        CHexHistory history;
        for (int i = 0; i < c.bytes; ++i)
            history.AddByte(static_cast<std::uint8_t>(i), kBlue);
        EXPECT_EQ(history.PageCount(c.linesPerPage), c.pages) << c.bytes << " bytes";
        EXPECT_EQ(history.ExtentHeight(20), c.extent) << c.bytes << " bytes";
    }
}

TEST(HexHistory, PrintedRowsAreNumberedFromZero)
{
    CHexHistory history;
    history.AddBlock(reinterpret_cast<const std::uint8_t*>("0123456789ABCDEFab"), 18, kBlue);
    EXPECT_EQ(history.PrintedRow(0), "0000   30 31 32 33 34 35 36 37  38 39 41 42 43 44 45 46 0123456789ABCDEF");
    EXPECT_EQ(history.PrintedRow(1), "0001  " + Pad(" 61 62", "ab"));
}

} // namespace
} // namespace kestrelon
