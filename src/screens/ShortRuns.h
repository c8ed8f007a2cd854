// Copying and filling the few bytes of a short line's run. Two overlapping word
// stores cover any length up to 16 without a call into the library or the
// compiler's own fill loop, both slow to start for a handful of bytes; longer
// runs take the library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kestrelon {

namespace short_runs {

template <typename Word> inline void Store(std::uint8_t* target, Word word)
{
    std::memcpy(target, &word, sizeof word);
}

template <typename Word> inline Word Load(const std::uint8_t* source)
{
    Word word;
    std::memcpy(&word, source, sizeof word);
    return word;
}

// The first and the last word of a run of `count` bytes, count in [sizeof(Word), 2 * sizeof(Word)].
template <typename Word> inline void CopyEnds(std::uint8_t* target, const std::uint8_t* source, std::size_t count)
{
    const auto head = Load<Word>(source);
    const auto tail = Load<Word>(source + count - sizeof(Word));
    Store(target, head);
    Store(target + count - sizeof(Word), tail);
}

template <typename Word> inline void FillEnds(std::uint8_t* target, Word word, std::size_t count)
{
    Store(target, word);
    Store(target + count - sizeof(Word), word);
}

} // namespace short_runs

inline void CopyShortRun(std::uint8_t* target, const std::uint8_t* source, std::size_t count)
{
    if (count >= 8 && count <= 16)
        short_runs::CopyEnds<std::uint64_t>(target, source, count);
    else if (count >= 4 && count < 8)
        short_runs::CopyEnds<std::uint32_t>(target, source, count);
    else
        std::memcpy(target, source, count);
}

inline void FillShortRun(std::uint8_t* target, std::uint8_t value, std::size_t count)
{
    if (count >= 8 && count <= 16)
        short_runs::FillEnds<std::uint64_t>(target, value * 0x0101010101010101ull, count);
    else if (count >= 4 && count < 8)
        short_runs::FillEnds<std::uint32_t>(target, value * 0x01010101u, count);
    else
        std::memset(target, value, count);
}

} // namespace kestrelon
