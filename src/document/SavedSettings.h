// The settings of one terminal configuration that a .kst file holds, as a plain
// value. The archive reads into a fresh copy and the document takes it over only
// when the whole file was read, so a damaged file never leaves a mix behind.
#pragma once

#include "document/WinRecords.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrelon {

constexpr int FKEY_COUNT = 100; // index = level * 10 + key
constexpr int FKEY_LEVELS = 10;
constexpr int FKEYS_PER_LEVEL = 10;

// Ranges the program can work with. Views allocate per column and per line
// reached, so a file must not be able to ask for more than the terminal dialog
// allows; a million lines of history cost memory only as they fill.
constexpr std::int32_t SCREEN_COLUMNS_MIN = 40;
constexpr std::int32_t SCREEN_COLUMNS_MAX = 999;
constexpr std::int32_t SCREEN_LINES_MIN = 25;
constexpr std::int32_t SCREEN_LINES_MAX = 1000000;
constexpr std::uint32_t COMM_MODE_MAX = 6;         // IPv6 UDP
constexpr std::uint32_t BRIDGE_MODE_MAX = 3;       // IPv6 Server
constexpr std::uint32_t TRANSFER_PROTOCOL_MAX = 4; // XModem ZIM
constexpr std::uint32_t IP_PORT_MAX = 65535;

class CSavedSettings {
public:
    std::uint32_t comPort = 1;
    std::uint32_t reservedSetting1 = 0;
    bool crToCrLfOnSend = false;
    bool crToCrLfOnReceive = false;
    bool localEcho = false;
    bool reservedFlag2 = true;
    bool beep = true;
    std::uint32_t reservedSetting3 = 0;
    std::string reservedText4 = "Terminal";
    std::uint32_t reservedSetting5 = 12;
    std::int32_t screenColumns = 80;
    std::int32_t screenLines = 1000;
    std::uint32_t reservedSetting6 = 2000;
    bool arrowKeysMoveCaret = true;
    std::uint32_t transferProtocol = 0;
    bool lfToCrLfOnReceive = false;
    DCB dcb{};
    LOGFONTA font{};
    std::array<std::string, FKEY_COUNT> fkeyLabel;
    std::array<std::string, FKEY_COUNT> fkeyCommand;
    bool autoAnswerOn = false;
    std::uint32_t autoAnswerEcho = 0;
    std::vector<std::string> autoAnswers;
    std::uint32_t commMode = 0;
    std::uint32_t ipPort = 23;
    std::string ipServer = "localhost";
    std::uint32_t bridgeMode = 0;
    std::uint32_t bridgePort = 1818;
    std::string bridgeServer = "localhost";
    bool scanCommands = false;
    bool comPortManual = false;

    bool operator==(const CSavedSettings&) const = default;

    // The settings of a new document on a machine whose first serial port is
    // `comPort`.
    static CSavedSettings Defaults(std::uint32_t comPort = 1);
};

// 9600 8N1 with RTS/CTS and DTR handshake.
DCB DefaultDcb();
// Courier New, 20 pixels, bold.
LOGFONTA DefaultFont();

} // namespace kestrelon
