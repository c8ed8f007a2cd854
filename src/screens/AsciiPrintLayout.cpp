// CAsciiPrintLayout: page count and positions of a printed ASCII view.
#include "screens/AsciiPrintLayout.h"

#include <algorithm>
#include <cstdio>

namespace kestrelon {

CAsciiPrintLayout::CAsciiPrintLayout(int usedLines, int printableWidth, int printableHeight, int lineWidth,
                                     int lineHeight)
    : m_usedLines(std::max(usedLines, 1)), m_lineWidth(lineWidth), m_lineHeight(std::max(lineHeight, 1))
{
    // Two header lines, the rule and two blank lines above the rows, two below.
    // A page too small for that still carries one row, so the page count stays
    // finite.
    m_linesPerPage = std::max((printableHeight - 7 * m_lineHeight) / m_lineHeight, 1);
    m_pageCount = (m_usedLines + m_linesPerPage - 1) / m_linesPerPage;
    m_leftMargin = (printableWidth - lineWidth) / 2;
}

std::string CAsciiPrintLayout::Header(int page)
{
    char text[32];
    std::snprintf(text, sizeof text, "Page %d", page);
    std::string header(text);
    if (header.size() < PRINT_COLUMNS)
        header.insert(0, PRINT_COLUMNS - header.size(), ' ');
    return header;
}

int CAsciiPrintLayout::FirstRow(int page) const
{
    return (page - 1) * m_linesPerPage;
}

int CAsciiPrintLayout::LastRow(int page) const
{
    return std::min(FirstRow(page) + m_linesPerPage - 1, m_usedLines - 1);
}

} // namespace kestrelon
