// Settings with every saved field away from its default.
#pragma once

#include "document/KestronDoc.h"

#include <string>

namespace kestrelon::test {

// A value away from the default in every saved field, strings in every length
// form and answers past the 16-bit count.
inline CSavedSettings EverythingChanged(std::size_t answers)
{
    CSavedSettings s;
    s.comPort = 255, s.reservedSetting1 = 0xDEADBEEF, s.crToCrLfOnSend = true, s.crToCrLfOnReceive = true;
    s.localEcho = true, s.reservedFlag2 = false, s.beep = false, s.reservedSetting3 = 3;
    s.reservedText4 = std::string(254, 'r'), s.reservedSetting5 = 0xFFFFFFFF, s.screenColumns = 999;
    s.screenLines = 1999, s.reservedSetting6 = 7, s.arrowKeysMoveCaret = false, s.transferProtocol = 4;
    s.lfToCrLfOnReceive = true;
    s.dcb = DefaultDcb(), s.dcb.BaudRate = 921600, s.dcb.flags = 0xFFFFFFFF, s.dcb.wReserved = 0xFFFF;
    s.dcb.ByteSize = 7, s.dcb.Parity = 2, s.dcb.StopBits = 2, s.dcb.XonChar = '\x80', s.dcb.wReserved1 = 9;
    s.font = DefaultFont(), s.font.lfHeight = -13, s.font.lfItalic = 1, s.font.lfFaceName[20] = 'z';
    for (std::size_t i = 0; i < FKEY_COUNT; ++i) {
        s.fkeyLabel[i] = "F" + std::to_string(i);
        s.fkeyCommand[i] = "AT\\13" + std::string(i, char(i + 100));
    }
    s.fkeyLabel[1] = std::string(255, 'l'), s.fkeyCommand[2] = std::string(65533, 'c');
    s.fkeyLabel[3] = std::string(65534, '\0'), s.fkeyCommand[4] = std::string(70000, '\xFF');
    s.autoAnswerOn = true, s.autoAnswerEcho = 0x12345678;
    for (std::size_t i = 0; i < answers; ++i)
        s.autoAnswers.push_back(i % 2 ? "answer^m" : "trigger" + std::to_string(i));
    s.commMode = 6, s.ipPort = 65535, s.ipServer = "fe80::1", s.bridgeMode = 3, s.bridgePort = 0;
    s.bridgeServer = "", s.scanCommands = true, s.comPortManual = true;
    return s;
}

} // namespace kestrelon::test
