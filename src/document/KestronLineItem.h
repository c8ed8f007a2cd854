// One stored line of the hex view's history: the colour of all its bytes and its
// formatted text. Line items live only in memory; nothing ever saves them.
#pragma once

#include "document/DataChannel.h"

#include <cstdint>
#include <string>
#include <utility>

namespace kestrelon {

class CKestronLineItem {
public:
    CKestronLineItem() = default;
    CKestronLineItem(COLORREF colour, std::string text) : colour(colour), text(std::move(text)) {}
    virtual ~CKestronLineItem() = default;

    COLORREF colour = 0;
    std::string text;
    std::int64_t time = 0; // arrival time of the line's first byte (ms since 1970)
};

} // namespace kestrelon
