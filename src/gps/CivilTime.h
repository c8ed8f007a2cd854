// Calendar arithmetic on 64-bit UTC seconds, independent of the local time zone
// and of the 2038 limit of 32-bit time values.
#pragma once

#include <cstdint>

namespace kestrelon {

struct CCivilTime {
    int year = 1970;
    int month = 1; // 1..12
    int day = 1;   // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Days since 1970-01-01 of a proleptic Gregorian date (days may run past the
// month's end: 31 February is 3 March).
std::int64_t DaysFromCivil(std::int64_t year, int month, int day);

std::int64_t ToUnixSeconds(const CCivilTime& t);
CCivilTime FromUnixSeconds(std::int64_t seconds);

// The four-digit year nearest to `currentYear` whose last two digits are `yy`.
int NearestYear(int yy, int currentYear);

} // namespace kestrelon
