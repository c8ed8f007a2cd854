// termios2 calls. <asm/termbits.h> defines its own struct termios, so this file
// includes nothing that pulls in the C library's one, and declares ioctl itself.
#include "serial/TermiosRate.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <cstring>

extern "C" int ioctl(int fd, unsigned long request, ...) noexcept;

namespace kestrelon {

static_assert(BOTHER == 0010000, "DcbTermios.h assumes the generic BOTHER value");

bool SetTermiosWithRate(int fd, std::uint32_t iflag, std::uint32_t oflag, std::uint32_t cflag, std::uint32_t lflag,
                        const unsigned char* cc, int ccCount, std::uint32_t rate)
{
    struct termios2 t;
    std::memset(&t, 0, sizeof t);
    if (ioctl(fd, TCGETS2, &t) != 0)
        return false;
    t.c_iflag = iflag;
    t.c_oflag = oflag;
    t.c_lflag = lflag;
    t.c_cflag = (cflag & ~static_cast<std::uint32_t>(CBAUD | (CBAUD << IBSHIFT))) | BOTHER;
    t.c_ispeed = rate;
    t.c_ospeed = rate;
    const int n = ccCount < NCCS ? ccCount : NCCS;
    std::memcpy(t.c_cc, cc, static_cast<std::size_t>(n));
    return ioctl(fd, TCSETS2, &t) == 0;
}

bool GetTermiosRate(int fd, std::uint32_t& rate)
{
    struct termios2 t;
    std::memset(&t, 0, sizeof t);
    if (ioctl(fd, TCGETS2, &t) != 0)
        return false;
    rate = t.c_ospeed;
    return true;
}

} // namespace kestrelon
