// Line rates through termios2: the only way to set a rate without a B constant
// (14400, 250000 ...) and to read back the rate a driver really took. Kept in a
// file of its own because the kernel's termios2 header clashes with <termios.h>.
#pragma once

#include <cstdint>

namespace kestrelon {

// Applies the four flag words, the control characters and `rate` in one call.
// `cc` holds `ccCount` characters in the <termios.h> order (the kernel's order is
// the same for the first 17). False with errno on failure.
bool SetTermiosWithRate(int fd, std::uint32_t iflag, std::uint32_t oflag, std::uint32_t cflag, std::uint32_t lflag,
                        const unsigned char* cc, int ccCount, std::uint32_t rate);

// The output rate the tty is running at; false with errno on failure.
bool GetTermiosRate(int fd, std::uint32_t& rate);

} // namespace kestrelon
