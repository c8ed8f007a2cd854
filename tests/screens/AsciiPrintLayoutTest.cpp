// CAsciiPrintLayout: where pages break, the guards against paper too small for
// a row, and the page header. Positions on the page are checked in the printed
// output of the view.
#include "screens/AsciiPrintLayout.h"

#include <gtest/gtest.h>

namespace kestrelon {
namespace {

struct PageCase {
    const char* name;
    int usedLines, printableWidth, printableHeight, lineWidth, lineHeight;
    int linesPerPage, pageCount, leftMargin;
};
void PrintTo(const PageCase& c, std::ostream* os) { *os << c.name; }

class PrintPages : public ::testing::TestWithParam<PageCase> {};

TEST_P(PrintPages, CountsRowsAndPages)
{
    const auto& c = GetParam();
    const CAsciiPrintLayout layout(c.usedLines, c.printableWidth, c.printableHeight, c.lineWidth, c.lineHeight);
    EXPECT_EQ(layout.LinesPerPage(), c.linesPerPage);
    EXPECT_EQ(layout.PageCount(), c.pageCount);
    EXPECT_EQ(layout.LeftMargin(), c.leftMargin);
    // Pages follow each other, and the last ends at the last row.
    if (c.pageCount > 1) {
        EXPECT_EQ(layout.LastRow(1) + 1, layout.FirstRow(2));
    }
    EXPECT_EQ(layout.FirstRow(c.pageCount), (c.pageCount - 1) * c.linesPerPage);
    EXPECT_EQ(layout.LastRow(c.pageCount), c.usedLines - 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, PrintPages,
                         ::testing::Values(PageCase{"ExactlyOnePage", 48, 1000, 1100, 800, 20, 48, 1, 100},
                                           PageCase{"OneRowOver", 49, 1000, 1100, 800, 20, 48, 2, 100},
                                           PageCase{"PaperTooShortStillOneRowPerPage", 10, 1000, 100, 800, 20, 1, 10,
                                                    100},
                                           PageCase{"ZeroLineHeight", 3, 1000, 100, 800, 0, 93, 1, 100},
                                           PageCase{"LastPageIsShort", 100, 1000, 1100, 800, 20, 48, 3, 100}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PrintPages, HeaderIsRightAlignedInEightyColumns)
{
    EXPECT_EQ(CAsciiPrintLayout::Header(1), std::string(74, ' ') + "Page 1");
    EXPECT_EQ(CAsciiPrintLayout::Header(123), std::string(72, ' ') + "Page 123");
}

} // namespace
} // namespace kestrelon
