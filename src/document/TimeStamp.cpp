// Local-time stamps: the clock and the stamp text.
#include "document/TimeStamp.h"

#include <chrono>
#include <ctime>

namespace kestrelon {

DataTime DataClockNow()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

void FormatTimeStamp(DataTime time, char* out)
{
    // Floor division, so times before 1970 still give 0..999 milliseconds.
    const std::int64_t seconds = time >= 0 ? time / 1000 : (time - 999) / 1000;
    const int millis = static_cast<int>(time - seconds * 1000);
    const std::time_t whole = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (localtime_r(&whole, &local) == nullptr)
        local = std::tm{};
    const int fields[4] = {local.tm_hour, local.tm_min, local.tm_sec, millis};
    char* p = out;
    for (int i = 0; i < 4; ++i) {
        if (i == 3) {
            *p++ = static_cast<char>('0' + fields[i] / 100);
            *p++ = static_cast<char>('0' + fields[i] / 10 % 10);
            *p++ = static_cast<char>('0' + fields[i] % 10);
        } else {
            *p++ = static_cast<char>('0' + fields[i] / 10 % 10);
            *p++ = static_cast<char>('0' + fields[i] % 10);
        }
        *p++ = i < 2 ? ':' : (i == 2 ? '.' : ' ');
    }
}

std::string TimeStampText(DataTime time)
{
    std::string text(TIME_STAMP_LENGTH, ' ');
    FormatTimeStamp(time, text.data());
    return text;
}

} // namespace kestrelon
