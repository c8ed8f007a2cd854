// CHexStream: the history's rows joined, and offsets to rows and back.
#include "screens/HexStream.h"

#include <algorithm>

namespace kestrelon {

void CHexStream::Build(const CHexHistory& history, int firstRow, int endRow)
{
    m_bytes.clear();
    m_rowStart.clear();
    firstRow = std::clamp(firstRow, 0, history.RowCount());
    endRow = std::clamp(endRow, firstRow, history.RowCount());
    m_firstRow = firstRow;
    m_rowStart.reserve(static_cast<std::size_t>(endRow - firstRow) + 1);
    std::uint8_t bytes[CHexHistory::BYTES_PER_LINE];
    for (int row = firstRow; row < endRow; ++row) {
        m_rowStart.push_back(m_bytes.size());
        const int count = history.RowBytes(row, bytes);
        m_bytes.append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(count));
    }
    m_rowStart.push_back(m_bytes.size());
}

std::size_t CHexStream::RowStart(int row) const
{
    if (m_rowStart.empty())
        return 0;
    const auto last = static_cast<int>(m_rowStart.size()) - 1;
    return m_rowStart[static_cast<std::size_t>(std::clamp(row - m_firstRow, 0, last))];
}

std::size_t CHexStream::Offset(int row, int index) const
{
    return RowStart(row) + static_cast<std::size_t>(std::max(index, 0));
}

CCellPos CHexStream::Position(std::size_t offset) const
{
    if (m_rowStart.size() < 2)
        return {};
    // The last row start at or before the offset (empty rows do not occur).
    const auto it = std::upper_bound(m_rowStart.begin(), m_rowStart.end() - 1, offset);
    const auto row = static_cast<int>(it - m_rowStart.begin()) - 1;
    return {static_cast<int>(offset - m_rowStart[static_cast<std::size_t>(std::max(row, 0))]), m_firstRow + std::max(row, 0)};
}

} // namespace kestrelon
