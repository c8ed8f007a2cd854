// The two raw records a .kst file stores as they lie in memory: the serial line
// settings (28 bytes) and the font description (60 bytes), little-endian, packed
// exactly like the Windows structures they came from so files move between
// machines unchanged.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kestrelon {

#pragma pack(push, 1)
struct DCB {
    std::uint32_t DCBlength = 28;
    std::uint32_t BaudRate = 0;
    std::uint32_t flags = 0; // fBinary ... bit fields, see DcbFlag
    std::uint16_t wReserved = 0;
    std::uint16_t XonLim = 0;
    std::uint16_t XoffLim = 0;
    std::uint8_t ByteSize = 0;
    std::uint8_t Parity = 0;   // 0 none, 1 odd, 2 even, 3 mark, 4 space
    std::uint8_t StopBits = 0; // 0 one, 1 one and a half, 2 two
    char XonChar = 0;
    char XoffChar = 0;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0;
    std::uint16_t wReserved1 = 0;

    bool operator==(const DCB&) const = default;
};

struct LOGFONTA {
    std::int32_t lfHeight = 0;
    std::int32_t lfWidth = 0;
    std::int32_t lfEscapement = 0;
    std::int32_t lfOrientation = 0;
    std::int32_t lfWeight = 0;
    std::uint8_t lfItalic = 0;
    std::uint8_t lfUnderline = 0;
    std::uint8_t lfStrikeOut = 0;
    std::uint8_t lfCharSet = 0;
    std::uint8_t lfOutPrecision = 0;
    std::uint8_t lfClipPrecision = 0;
    std::uint8_t lfQuality = 0;
    std::uint8_t lfPitchAndFamily = 0;
    char lfFaceName[32] = {};

    bool operator==(const LOGFONTA&) const = default;
};
#pragma pack(pop)

static_assert(sizeof(DCB) == 28);
static_assert(sizeof(LOGFONTA) == 60);

// Bits of DCB::flags.
namespace DcbFlag {
constexpr std::uint32_t fBinary = 1u << 0;
constexpr std::uint32_t fParity = 1u << 1;
constexpr std::uint32_t fOutxCtsFlow = 1u << 2;
constexpr std::uint32_t fOutxDsrFlow = 1u << 3;
constexpr std::uint32_t fDtrControlShift = 4; // 2 bits: 0 disable, 1 enable, 2 handshake
constexpr std::uint32_t fDtrControlMask = 3u << 4;
constexpr std::uint32_t fDsrSensitivity = 1u << 6;
constexpr std::uint32_t fTXContinueOnXoff = 1u << 7;
constexpr std::uint32_t fOutX = 1u << 8;
constexpr std::uint32_t fInX = 1u << 9;
constexpr std::uint32_t fErrorChar = 1u << 10;
constexpr std::uint32_t fNull = 1u << 11;
constexpr std::uint32_t fRtsControlShift = 12; // 2 bits: 0 disable, 1 enable, 2 handshake, 3 toggle
constexpr std::uint32_t fRtsControlMask = 3u << 12;
constexpr std::uint32_t fAbortOnError = 1u << 14;
} // namespace DcbFlag

constexpr std::uint32_t DTR_CONTROL_DISABLE = 0, DTR_CONTROL_ENABLE = 1, DTR_CONTROL_HANDSHAKE = 2;
constexpr std::uint32_t RTS_CONTROL_DISABLE = 0, RTS_CONTROL_ENABLE = 1, RTS_CONTROL_HANDSHAKE = 2,
                        RTS_CONTROL_TOGGLE = 3;

} // namespace kestrelon
