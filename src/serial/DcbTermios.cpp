// DCB -> termios mapping. Pure: no device, no errno, so every row of settings
// can be checked without hardware.
#include "serial/DcbTermios.h"

#include <array>
#include <sys/ioctl.h>
#include <utility>

namespace kestrelon {

namespace {

// Rates up to this are accepted and left to the device to refuse; nothing
// serial runs faster, and termios2 carries the value in 32 bits.
constexpr std::uint32_t kMaxRate = 100'000'000;

constexpr std::array<std::pair<std::uint32_t, speed_t>, 30> kSpeedCodes = {{
    {50, B50},           {75, B75},           {110, B110},         {134, B134},         {150, B150},
    {200, B200},         {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
    {2400, B2400},       {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},     {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
}};

tcflag_t SizeFlag(std::uint8_t byteSize)
{
    switch (byteSize) {
    case 5:
        return CS5;
    case 6:
        return CS6;
    case 7:
        return CS7;
    default:
        return CS8;
    }
}

// Parity: 0 none, 1 odd, 2 even, 3 mark, 4 space. Mark and space are "stick"
// parity: CMSPAR with PARODD gives a parity bit that is always 1, without it 0.
tcflag_t ParityFlags(std::uint8_t parity)
{
    switch (parity) {
    case 1:
        return PARENB | PARODD;
    case 2:
        return PARENB;
    case 3:
        return PARENB | CMSPAR | PARODD;
    case 4:
        return PARENB | CMSPAR;
    default:
        return 0;
    }
}

LineRefusal CheckRecord(const DCB& dcb)
{
    if (dcb.BaudRate == 0 || dcb.BaudRate > kMaxRate)
        return LineRefusal::Rate;
    if (dcb.ByteSize < 5 || dcb.ByteSize > 8)
        return LineRefusal::ByteSize;
    if (dcb.Parity > 4)
        return LineRefusal::Parity;
    // A UART sends one and a half stop bits only in 5-bit mode (where its
    // "two stop bits" setting means 1.5); elsewhere the setting does not exist.
    if (dcb.StopBits > 2 || (dcb.StopBits == 1 && dcb.ByteSize != 5))
        return LineRefusal::StopBits;
    return LineRefusal::None;
}

// DTR has no handshake in termios: raised while the port is open is what the
// handshake looks like to the other side. RTS toggle (RS-485 direction) is
// treated as raised; RTS handshake is the kernel's CRTSCTS.
void ModemLines(std::uint32_t flags, CLineSettings& out)
{
    const std::uint32_t dtr = (flags & DcbFlag::fDtrControlMask) >> DcbFlag::fDtrControlShift;
    const std::uint32_t rts = (flags & DcbFlag::fRtsControlMask) >> DcbFlag::fRtsControlShift;
    (dtr == DTR_CONTROL_DISABLE ? out.modemDrop : out.modemRaise) |= TIOCM_DTR;
    (rts == RTS_CONTROL_DISABLE ? out.modemDrop : out.modemRaise) |= TIOCM_RTS;
    out.ctsFlow = (flags & DcbFlag::fOutxCtsFlow) != 0 || rts == RTS_CONTROL_HANDSHAKE;
}

} // namespace

speed_t StandardSpeedCode(std::uint32_t rate)
{
    for (const auto& [value, code] : kSpeedCodes)
        if (value == rate)
            return code;
    return 0;
}

CLineSettings DcbToTermios(const DCB& dcb)
{
    CLineSettings out;
    out.refusal = CheckRecord(dcb);
    if (out.refusal != LineRefusal::None)
        return out;

    cfmakeraw(&out.tio);
    // One byte satisfies a read; the port is non-blocking and waits in poll.
    out.tio.c_cc[VMIN] = 1;
    out.tio.c_cc[VTIME] = 0;
    out.rate = dcb.BaudRate;
    const speed_t code = StandardSpeedCode(dcb.BaudRate);
    out.otherRate = code == 0;
    ModemLines(dcb.flags, out);

    tcflag_t cflag = CLOCAL | CREAD | SizeFlag(dcb.ByteSize) | ParityFlags(dcb.Parity);
    if (dcb.StopBits != 0)
        cflag |= CSTOPB;
    if (out.ctsFlow)
        cflag |= CRTSCTS;
    cflag |= out.otherRate ? kTermiosOtherRate : code;
    out.tio.c_cflag = cflag;

    // Software flow control is never switched on by the terminal itself, but a
    // record that asks for it gets it, with its own characters.
    if (dcb.flags & DcbFlag::fOutX)
        out.tio.c_iflag |= IXON;
    if (dcb.flags & DcbFlag::fInX)
        out.tio.c_iflag |= IXOFF;
    out.tio.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
    out.tio.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);
    return out;
}

void TermiosToDcb(const termios& tio, std::uint32_t rate, DCB& dcb)
{
    dcb.BaudRate = rate;
    switch (tio.c_cflag & CSIZE) {
    case CS5:
        dcb.ByteSize = 5;
        break;
    case CS6:
        dcb.ByteSize = 6;
        break;
    case CS7:
        dcb.ByteSize = 7;
        break;
    default:
        dcb.ByteSize = 8;
        break;
    }
    if (!(tio.c_cflag & PARENB))
        dcb.Parity = 0;
    else if (tio.c_cflag & CMSPAR)
        dcb.Parity = (tio.c_cflag & PARODD) ? 3 : 4;
    else
        dcb.Parity = (tio.c_cflag & PARODD) ? 1 : 2;
    // With 5 data bits CSTOPB means one and a half; keep whichever of the two
    // the record asked for.
    if (!(tio.c_cflag & CSTOPB))
        dcb.StopBits = 0;
    else
        dcb.StopBits = (dcb.ByteSize == 5 && dcb.StopBits == 1) ? 1 : 2;
    const std::uint32_t rts = (dcb.flags & DcbFlag::fRtsControlMask) >> DcbFlag::fRtsControlShift;
    if (!(tio.c_cflag & CRTSCTS))
        dcb.flags &= ~DcbFlag::fOutxCtsFlow;
    else if (rts != RTS_CONTROL_HANDSHAKE)
        dcb.flags |= DcbFlag::fOutxCtsFlow;
}

bool HandshakeOwnsLine(const DCB& dcb, int modemBit)
{
    CLineSettings line;
    ModemLines(dcb.flags, line);
    return modemBit == TIOCM_RTS && line.ctsFlow;
}

} // namespace kestrelon
