// The storage behind the ASCII grid's ring of rows: blocks of rows, each with its
// character and colour-index planes and per-row state, allocated the first time the
// ring writes into them. A million-row setting costs memory only for the rows
// that were reached; a row is found with one shift, one mask and one lookup.
#pragma once

#include "document/TimeStamp.h"
#include "screens/LargeBlockAllocator.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace kestrelon {

class CCellBlocks {
public:
    // Per physical row. Cells before `width` are current; cells in
    // [staleStart, staleEnd) outside them may hold what an earlier use wrote;
    // every other cell is a blank with colour 0. A fresh block's rows are stale
    // across the whole width, so no block is ever filled when it is made.
    struct CRowState {
        int width = 0;
        int start = 0; // first column written since the row was emptied
        int staleStart = 0;
        int staleEnd = 0;
        DataTime time = 0;
    };
    // One row's state and planes; the planes hold `columns` cells. A cell's
    // colour is an index into the grid's palette, 0 for a never-written cell:
    // two bytes a cell instead of five.
    struct CRow {
        CRowState* state;
        std::uint8_t* chars;
        std::uint8_t* colours;
    };

    // A block's planes stay within one huge page's size (a wide screen's block
    // then nearly fills one, and the allocator offers it as one) and hold at
    // most 1 << MAX_BLOCK_SHIFT rows.
    static constexpr std::size_t TARGET_BLOCK_BYTES = std::size_t{2} << 20;
    static constexpr int MIN_BLOCK_SHIFT = 6;
    static constexpr int MAX_BLOCK_SHIFT = 13;

    // Gives back every block and lays out `rows` rows of `columns` cells.
    void Configure(int columns, int rows);
    // Gives back every block but the first (a cleared ring starts there again);
    // the first block's rows are returned to empty, at the cost of what they hold.
    void Clear();

    // The row, with its block allocated if the ring had not reached it yet.
    CRow Writable(int physical)
    {
        const auto index = static_cast<std::size_t>(physical >> m_shift);
        CBlock& block = m_blocks[index];
        if (block.rows == nullptr) [[unlikely]]
            Allocate(index);
        return RowIn(block, physical);
    }
    // The row's state, or null while its block does not exist (an empty row).
    const CRowState* State(int physical) const
    {
        const CBlock& block = m_blocks[static_cast<std::size_t>(physical >> m_shift)];
        return block.rows == nullptr ? nullptr : &block.rows[static_cast<std::size_t>(physical & m_mask)];
    }
    // The row's planes, or null while its block does not exist.
    const std::uint8_t* Chars(int physical) const;
    const std::uint8_t* Colours(int physical) const;
    // Empties a row: what it held joins its stale span, blanked only where a
    // later write leaves a gap over it. A row without a block is empty already.
    void Recycle(int physical);
    // Blanks [from, to) of a row whose block exists.
    void Blank(const CRow& row, int from, int to) const;

    int Rows() const { return m_rows; }
    int BlockRows() const { return m_mask + 1; }
    int BlocksAllocated() const { return m_allocated; }
    // Bytes held by the allocated blocks (planes and row states) and the table.
    std::size_t BytesAllocated() const;

private:
    // Held by value in the table, so finding a row reads the table entry and
    // then the row, no block header in between.
    struct CBlock {
        CBlock() = default;
        CBlock(CBlock&& other) noexcept { *this = std::move(other); }
        CBlock& operator=(CBlock&& other) noexcept;
        ~CBlock() { Free(); }
        void Make(std::size_t cellCount, int rowCount);
        void Free();

        std::unique_ptr<CRowState[]> rows; // null while the ring has not reached the block
        std::uint8_t* chars = nullptr;     // then the colour indexes, in one allocation
        std::uint8_t* colours = nullptr;
        std::size_t cells = 0;
    };

    void Allocate(std::size_t index);
    CRow RowIn(const CBlock& block, int physical) const
    {
        const int row = physical & m_mask;
        const std::size_t first = static_cast<std::size_t>(row) * static_cast<std::size_t>(m_columns);
        return {&block.rows[static_cast<std::size_t>(row)], block.chars + first, block.colours + first};
    }
    int RowsOfBlock(std::size_t index) const;

    int m_columns = 0;
    int m_rows = 0;
    int m_shift = MAX_BLOCK_SHIFT;
    int m_mask = (1 << MAX_BLOCK_SHIFT) - 1;
    int m_allocated = 0;
    std::vector<CBlock> m_blocks;
};

} // namespace kestrelon
