// The log file's own buffering: whatever the sizes of the pieces, the file holds
// them all, in order, once closed; and the disk's failures come back.
#include "document/LogFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <numeric>

namespace kestrelon::test {
namespace {

struct PieceCase {
    const char* name;
    std::vector<std::size_t> sizes;
};
void PrintTo(const PieceCase& c, std::ostream* os) { *os << c.name; }

class LogFilePiecesTest : public ::testing::TestWithParam<PieceCase> {};

TEST_P(LogFilePiecesTest, FileHoldsEveryPieceInOrder)
{
    TempDir dir;
    const std::size_t total = std::accumulate(GetParam().sizes.begin(), GetParam().sizes.end(), std::size_t{0});
    std::string expected(total, '\0');
    for (std::size_t i = 0; i < total; ++i)
        expected[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
    CLogFile log;
    ASSERT_TRUE(log.Open(dir.File("log.txt")));
    std::size_t at = 0;
    for (std::size_t size : GetParam().sizes) {
        ASSERT_TRUE(log.Write(reinterpret_cast<const std::uint8_t*>(expected.data()) + at, size));
        at += size;
    }
    ASSERT_TRUE(log.Close());
    EXPECT_TRUE(ReadFileBytes(dir.File("log.txt")) == expected);
}

constexpr std::size_t B = CLogFile::BUFFER_SIZE;
const PieceCase kPieceCases[] = {
    {"Nothing", {}},
    {"OneByte", {1}},
    {"ExactlyTheBuffer", {B}},
    {"BufferThenOne", {B, 1}},
    {"OneThenBuffer", {1, B}},
    {"LargerThanTheBuffer", {3 * B + 5}},
    {"SmallLargeSmall", {10, 2 * B, 10}},
    {"FillsToTheLastByte", {B - 1, 1, 1}},
    {"ManyLines", std::vector<std::size_t>(20000, 14)},
};

INSTANTIATE_TEST_SUITE_P(Sizes, LogFilePiecesTest, ::testing::ValuesIn(kPieceCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LogFile, FlushShowsTheBytesWhileOpenAndReopenStartsEmpty)
{
    TempDir dir;
    CLogFile log;
    ASSERT_TRUE(log.Open(dir.File("log.txt")));
    ASSERT_TRUE(log.Write(reinterpret_cast<const std::uint8_t*>("old"), 3));
    ASSERT_TRUE(log.Flush());
    EXPECT_EQ(ReadFileBytes(dir.File("log.txt")), "old");
    ASSERT_TRUE(log.Write(reinterpret_cast<const std::uint8_t*>("more"), 4)); // still buffered
    ASSERT_TRUE(log.Open(dir.File("log.txt")));                               // closes and empties
    ASSERT_TRUE(log.Write(reinterpret_cast<const std::uint8_t*>("new"), 3));
    ASSERT_TRUE(log.Close());
    EXPECT_EQ(ReadFileBytes(dir.File("log.txt")), "new");
}

} // namespace
} // namespace kestrelon::test
