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
};

} // namespace kestrelon
