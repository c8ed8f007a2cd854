// Where printed pages of the ASCII view put their header, rule and rows, in the
// printer's pixels. Kept apart from the drawing so the layout is checked
// without a printer.
#pragma once

#include <string>

namespace kestrelon {

class CAsciiPrintLayout {
public:
    // The header is right-aligned in a line of this many characters, which is
    // also the measured print width.
    static constexpr int PRINT_COLUMNS = 80;

    // lineWidth: width of PRINT_COLUMNS '-' characters in the print font;
    // lineHeight: its height plus external leading.
    CAsciiPrintLayout(int usedLines, int printableWidth, int printableHeight, int lineWidth, int lineHeight);

    int LinesPerPage() const { return m_linesPerPage; }
    int PageCount() const { return m_pageCount; }
    int LeftMargin() const { return m_leftMargin; }
    int LineWidth() const { return m_lineWidth; }
    int LineHeight() const { return m_lineHeight; }

    // "Page n", padded in front with spaces to PRINT_COLUMNS characters.
    static std::string Header(int page);
    int HeaderY() const { return 2 * m_lineHeight; }
    // The rule under the header, from LeftMargin() to LeftMargin() + LineWidth().
    int RuleY() const { return 2 * m_lineHeight + (3 * m_lineHeight) / 2; }
    // Rows [FirstRow, LastRow] of the grid are printed on the page (1-based).
    int FirstRow(int page) const;
    int LastRow(int page) const;
    int RowY(int page, int row) const { return (row - FirstRow(page) + 5) * m_lineHeight; }

private:
    int m_usedLines;
    int m_lineWidth;
    int m_lineHeight;
    int m_linesPerPage;
    int m_pageCount;
    int m_leftMargin;
};

} // namespace kestrelon
