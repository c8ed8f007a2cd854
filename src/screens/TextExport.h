// What a view shows, as text for a file or the clipboard: one line per row,
// trailing blanks trimmed, bytes above 127 written in UTF-8 as the characters
// the view draws for them (U+0080 to U+00FF), lines ended by LF.
#pragma once

#include "screens/AsciiGrid.h"
#include "screens/HexHistory.h"

#include <string>
#include <string_view>

namespace kestrelon {

// Appends the bytes as the characters U+0000 to U+00FF, in UTF-8.
void AppendShownText(std::string& out, std::string_view bytes);

// With `timestamps`, each row starts with its stamp, or with as many blanks
// where it has none (a wrapped continuation), as the view draws it.
std::string AsciiGridText(const CAsciiGrid& grid, bool timestamps);
// With `timestamps`, the stamp stands at CHexHistory::TIME_COLUMN.
std::string HexHistoryText(const CHexHistory& history, bool timestamps);

} // namespace kestrelon
