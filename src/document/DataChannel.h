// The data channel from the document to its views: update hints, their records
// and the colour tags that travel with every byte.
#pragma once

#include <cstdint>

namespace kestrelon {

using COLORREF = std::uint32_t; // 0x00BBGGRR

constexpr COLORREF RECEIVE_COLOUR = 0x00FF0000; // blue
constexpr COLORREF SEND_COLOUR = 0x000000FF;    // red
constexpr COLORREF ERROR_COLOUR = 0x00000001;   // connection error texts

enum Hint : int {
    HINT_RESET = 0,
    HINT_BYTE = 1,
    HINT_BLOCK = 2,
    HINT_SCREEN_SIZE = 5,
    HINT_FONT = 6,
    HINT_NEW_SETTINGS = 7,
    // Received or echoed text in which the line-end bytes (8, 10, 13) stand as
    // they would as HINT_BYTE and every other byte as in HINT_BLOCK. Only views
    // that take text get it; the others get the same bytes as blocks and bytes.
    HINT_TEXT = 8,
};

// One broadcast of the document. The bytes live only for the call: a view copies
// what it keeps. HINT_BYTE carries `value` (and `data` points at it, length 1);
// HINT_BLOCK carries `data`/`length`; HINT_SCREEN_SIZE and HINT_NEW_SETTINGS carry
// `lines`.
struct CUpdateHint {
    Hint hint = HINT_RESET;
    std::uint8_t value = 0;
    const std::uint8_t* data = nullptr;
    std::int32_t length = 0;
    COLORREF colour = 0;
    std::int32_t lines = 0;
    // HINT_BYTE and HINT_BLOCK: when the bytes arrived, in milliseconds since
    // 1970 (see document/TimeStamp.h).
    std::int64_t time = 0;
};

// A view registered with the document receives every hint, shown or hidden.
class IDocumentView {
public:
    virtual ~IDocumentView() = default;
    virtual void OnUpdate(const CUpdateHint& hint) = 0;
    // True for a view that takes a flood's lines as one HINT_TEXT per received
    // block instead of one call per run and per line end.
    virtual bool TakesText() const { return false; }
};

// The bytes 8, 10 and 13: in HINT_TEXT they act as single bytes, never as text.
constexpr bool IsLineControl(std::uint8_t value)
{
    return value == 8 || value == 10 || value == 13;
}

} // namespace kestrelon
