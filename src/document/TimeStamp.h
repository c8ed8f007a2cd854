// The time of shown data: milliseconds since 1970 (UTC) taken when a block
// arrives, and its local-time text "HH:MM:SS.mmm " at the start of a shown line.
#pragma once

#include <cstdint>
#include <string>

namespace kestrelon {

// 0 means "no time": a row that continues a wrapped line, or nothing yet.
using DataTime = std::int64_t;

// The wall clock in milliseconds: the one clock every stamp is taken from.
DataTime DataClockNow();

// "HH:MM:SS.mmm " in local time: TIME_STAMP_LENGTH characters, the last a blank.
constexpr int TIME_STAMP_LENGTH = 13;
// Writes exactly TIME_STAMP_LENGTH characters (no NUL).
void FormatTimeStamp(DataTime time, char* out);
std::string TimeStampText(DataTime time);

} // namespace kestrelon
