// New-document defaults of the saved settings.
#include "document/SavedSettings.h"

#include <cstring>

namespace kestrelon {

DCB DefaultDcb()
{
    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate = 9600;
    // fBinary, fOutxCtsFlow, DTR and RTS handshake. Bits 15 and 19 are set in
    // every file ever written, so they stay set to keep files byte-identical.
    dcb.flags = 0x0008A025;
    dcb.XonLim = 2048;
    dcb.XoffLim = 512;
    dcb.ByteSize = 8;
    dcb.Parity = 0;
    dcb.StopBits = 0;
    dcb.XonChar = 17;
    dcb.XoffChar = 19;
    return dcb;
}

LOGFONTA DefaultFont()
{
    LOGFONTA font{};
    font.lfHeight = 20;
    font.lfWeight = 700;
    font.lfCharSet = 1; // DEFAULT_CHARSET
    font.lfPitchAndFamily = 0x21;
    std::memcpy(font.lfFaceName, "Courier New", sizeof("Courier New"));
    return font;
}

CSavedSettings CSavedSettings::Defaults(std::uint32_t comPort)
{
    CSavedSettings s;
    s.comPort = comPort;
    s.dcb = DefaultDcb();
    s.font = DefaultFont();
    return s;
}

} // namespace kestrelon
