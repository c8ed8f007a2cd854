// Cutting a text at a one-character separator: the NMEA sentences, the ANSI
// parameters and the proxy settings all read their pieces this way.
#pragma once

#include <string_view>

namespace kestrelon {

// The index-th piece (from 0) of `text` cut at every `separator`, or an empty
// view past the last piece. The view points into `text`.
std::string_view GetField(std::string_view text, char separator, int index);

// The number of separators plus one (an empty text is one empty piece).
int CountFields(std::string_view text, char separator);

} // namespace kestrelon
