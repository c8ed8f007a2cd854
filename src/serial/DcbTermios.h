// What a serial settings record (DCB) asks of a Linux tty, worked out without
// touching a device: raw-mode termios flags, the line rate and the modem lines to
// raise or drop. The port shim applies the result; tests check it row by row.
#pragma once

#include "document/WinRecords.h"

#include <cstdint>
#include <termios.h>

namespace kestrelon {

// The kernel's "other rate" marker in the CBAUD bits (termios2 carries the rate
// itself in c_ispeed / c_ospeed). Same value on every architecture we build for.
constexpr tcflag_t kTermiosOtherRate = 0010000;

// Why a record cannot be applied. A refused record never reaches the device.
enum class LineRefusal {
    None,
    Rate,     // 0, or above what termios2 can carry
    ByteSize, // only 5 to 8 data bits exist on a UART
    Parity,   // 0 none .. 4 space
    StopBits, // one and a half exists only with 5 data bits
};

struct CLineSettings {
    LineRefusal refusal = LineRefusal::None;
    termios tio{};          // raw mode with the line's c_cflag
    std::uint32_t rate = 0; // bits per second
    bool otherRate = false; // no B constant: apply through termios2
    bool ctsFlow = false;   // CRTSCTS: output waits for CTS
    int modemRaise = 0;     // TIOCM_DTR / TIOCM_RTS bits to set
    int modemDrop = 0;      // TIOCM_DTR / TIOCM_RTS bits to clear
};

// Maps a record to tty settings; refusal tells what made it unusable.
CLineSettings DcbToTermios(const DCB& dcb);

// The B constant of a rate, or 0 when the kernel has none (14400, 250000 ...).
speed_t StandardSpeedCode(std::uint32_t rate);

// Writes the live line settings of a tty into `dcb`: rate, data bits, parity,
// stop bits and CTS flow. Every field termios does not know is left as it was.
void TermiosToDcb(const termios& tio, std::uint32_t rate, DCB& dcb);

// Whether the record's handshake drives the output line (MODEM_DTR or
// MODEM_RTS) on this system, so that moving it by hand would fight it: RTS
// while the kernel's CTS/RTS flow control runs. The tty has no DTR handshake
// (DTR stays raised while the port is open), so DTR is always the user's.
bool HandshakeOwnsLine(const DCB& dcb, int modemBit);

} // namespace kestrelon
