// CCellBlocks: block sizes, allocation when the ring first reaches a block,
// giving blocks back when the grid is cleared, and recycling a row.
#include "screens/CellBlocks.h"

#include <algorithm>
#include <cstring>

namespace kestrelon {

namespace {
constexpr std::uint8_t BLANK = 0x20;
constexpr std::size_t BYTES_PER_CELL = 2; // character and colour index
} // namespace

CCellBlocks::CBlock& CCellBlocks::CBlock::operator=(CBlock&& other) noexcept
{
    if (this != &other) {
        Free();
        rows = std::move(other.rows);
        chars = std::exchange(other.chars, nullptr);
        colours = std::exchange(other.colours, nullptr);
        cells = std::exchange(other.cells, 0);
    }
    return *this;
}

void CCellBlocks::CBlock::Make(std::size_t cellCount, int rowCount)
{
    // The planes are left as the allocator gives them: each row says it is
    // stale across its whole width, and only the cells a write makes readable
    // are ever blanked.
    Free();
    cells = cellCount;
    chars = CLargeBlockAllocator<std::uint8_t>().allocate(cells * BYTES_PER_CELL);
    colours = chars + cells;
    rows = std::make_unique<CRowState[]>(static_cast<std::size_t>(rowCount));
}

void CCellBlocks::CBlock::Free()
{
    if (chars != nullptr)
        CLargeBlockAllocator<std::uint8_t>().deallocate(chars, cells * BYTES_PER_CELL);
    chars = colours = nullptr;
    cells = 0;
    rows.reset();
}

void CCellBlocks::Configure(int columns, int rows)
{
    m_columns = std::max(columns, 1);
    m_rows = std::max(rows, 1);
    // The largest power of two of rows whose planes stay within the target, so a
    // wide screen gets shorter blocks; never more rows than the ring has.
    const std::size_t rowBytes = static_cast<std::size_t>(m_columns) * BYTES_PER_CELL;
    m_shift = MIN_BLOCK_SHIFT;
    while (m_shift < MAX_BLOCK_SHIFT && (rowBytes << (m_shift + 1)) <= TARGET_BLOCK_BYTES &&
           (1 << m_shift) < m_rows)
        ++m_shift;
    m_mask = (1 << m_shift) - 1;
    m_blocks.clear();
    m_blocks.shrink_to_fit();
    m_blocks.resize(static_cast<std::size_t>(((m_rows - 1) >> m_shift) + 1));
    m_allocated = 0;
}

void CCellBlocks::Clear()
{
    for (std::size_t index = 1; index < m_blocks.size(); ++index)
        m_blocks[index].Free();
    m_allocated = 0;
    if (m_blocks.empty() || m_blocks[0].rows == nullptr)
        return;
    m_allocated = 1;
    const int rows = RowsOfBlock(0);
    for (int physical = 0; physical < rows; ++physical)
        Recycle(physical);
}

int CCellBlocks::RowsOfBlock(std::size_t index) const
{
    const int first = static_cast<int>(index) << m_shift;
    return std::min(m_mask + 1, m_rows - first);
}

void CCellBlocks::Allocate(std::size_t index)
{
    const int rows = RowsOfBlock(index);
    CBlock& block = m_blocks[index];
    block.Make(static_cast<std::size_t>(rows) * static_cast<std::size_t>(m_columns), rows);
    for (int row = 0; row < rows; ++row)
        block.rows[static_cast<std::size_t>(row)].staleEnd = m_columns;
    ++m_allocated;
}

const std::uint8_t* CCellBlocks::Chars(int physical) const
{
    const CBlock& block = m_blocks[static_cast<std::size_t>(physical >> m_shift)];
    return block.chars == nullptr
               ? nullptr
               : block.chars + static_cast<std::size_t>(physical & m_mask) * static_cast<std::size_t>(m_columns);
}

const std::uint8_t* CCellBlocks::Colours(int physical) const
{
    const CBlock& block = m_blocks[static_cast<std::size_t>(physical >> m_shift)];
    return block.colours == nullptr
               ? nullptr
               : block.colours + static_cast<std::size_t>(physical & m_mask) * static_cast<std::size_t>(m_columns);
}

void CCellBlocks::Recycle(int physical)
{
    CRowState* rows = m_blocks[static_cast<std::size_t>(physical >> m_shift)].rows.get();
    if (rows == nullptr)
        return;
    CRowState& state = rows[static_cast<std::size_t>(physical & m_mask)];
    state.time = 0;
    if (state.width == 0)
        return; // nothing written since the last time: the stale span stays as it is
    // What this use wrote joins the stale span, which stays one span (at most
    // the row); nothing is blanked now. A flood of lines that start at column
    // 0 thus never blanks anything, and a gap costs only its own cells.
    state.staleStart = state.staleEnd > state.staleStart ? std::min(state.staleStart, state.start) : state.start;
    state.staleEnd = std::max(state.staleEnd, state.width);
    state.width = 0;
}

void CCellBlocks::Blank(const CRow& row, int from, int to) const
{
    if (from >= to)
        return;
    const auto count = static_cast<std::size_t>(to - from);
    std::memset(row.chars + from, BLANK, count);
    std::memset(row.colours + from, 0, count);
}

std::size_t CCellBlocks::BytesAllocated() const
{
    std::size_t bytes = m_blocks.capacity() * sizeof(m_blocks[0]);
    for (std::size_t index = 0; index < m_blocks.size(); ++index) {
        if (m_blocks[index].rows != nullptr)
            bytes += m_blocks[index].cells * BYTES_PER_CELL +
                     static_cast<std::size_t>(RowsOfBlock(index)) * sizeof(CRowState);
    }
    return bytes;
}

} // namespace kestrelon
