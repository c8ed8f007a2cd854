// The hex history's bytes as one stream, read back from its lines, so that a
// search finds a sequence that a line end cuts in two. Rebuilt per search, of
// the whole history; painting builds only the rows around those shown, since a
// history of a million lines is 16 MB.
#pragma once

#include "screens/HexHistory.h"
#include "screens/TextFinder.h"

#include <string>
#include <vector>

namespace kestrelon {

class CHexStream : public IFindRows {
public:
    void Build(const CHexHistory& history) { Build(history, 0, history.RowCount()); }
    // Only display rows [firstRow, endRow); rows keep their display numbers.
    void Build(const CHexHistory& history, int firstRow, int endRow);
    bool HoldsRow(int row) const { return row >= m_firstRow && row < m_firstRow + static_cast<int>(m_rowStart.size()) - 1; }

    // One row: the whole stream.
    int RowCount() const override { return m_bytes.empty() ? 0 : 1; }
    std::string_view Row(int) const override { return m_bytes; }

    // Stream offset of byte `index` of display row `row`, and back.
    std::size_t Offset(int row, int index) const;
    CCellPos Position(std::size_t offset) const; // column: the byte's index in its row
    // Display row r holds the stream bytes [RowStart(r), RowStart(r + 1)).
    std::size_t RowStart(int row) const;

private:
    std::string m_bytes;
    std::vector<std::size_t> m_rowStart; // one per row and one past the end
    int m_firstRow = 0;
};

} // namespace kestrelon
