// Gregorian calendar conversions by whole eras of 400 years.
#include "gps/CivilTime.h"

namespace kestrelon {

namespace {

constexpr std::int64_t DAYS_PER_ERA = 146097;
constexpr std::int64_t SECONDS_PER_DAY = 86400;
// Days from 0000-03-01 to 1970-01-01.
constexpr std::int64_t EPOCH_SHIFT = 719468;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

} // namespace

std::int64_t DaysFromCivil(std::int64_t year, int month, int day)
{
    // Years start in March so that the leap day is the last day of a year.
    year -= month <= 2;
    const std::int64_t era = FloorDiv(year, 400);
    const std::int64_t yoe = year - era * 400;
    const std::int64_t mp = (month + 9) % 12;
    const std::int64_t doy = (153 * mp + 2) / 5 + day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * DAYS_PER_ERA + doe - EPOCH_SHIFT;
}

std::int64_t ToUnixSeconds(const CCivilTime& t)
{
    return DaysFromCivil(t.year, t.month, t.day) * SECONDS_PER_DAY + t.hour * 3600 + t.minute * 60 + t.second;
}

CCivilTime FromUnixSeconds(std::int64_t seconds)
{
    const std::int64_t days = FloorDiv(seconds, SECONDS_PER_DAY);
    const std::int64_t rest = seconds - days * SECONDS_PER_DAY;
    const std::int64_t z = days + EPOCH_SHIFT;
    const std::int64_t era = FloorDiv(z, DAYS_PER_ERA);
    const std::int64_t doe = z - era * DAYS_PER_ERA;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    CCivilTime t;
    t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    t.year = static_cast<int>(yoe + era * 400 + (t.month <= 2));
    t.hour = static_cast<int>(rest / 3600);
    t.minute = static_cast<int>(rest / 60 % 60);
    t.second = static_cast<int>(rest % 60);
    return t;
}

int NearestYear(int yy, int currentYear)
{
    int year = currentYear - ((currentYear % 100) + 100) % 100 + yy;
    if (year > currentYear + 50)
        year -= 100;
    else if (year <= currentYear - 50)
        year += 100;
    return year;
}

} // namespace kestrelon
