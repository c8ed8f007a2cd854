// What the data hub and the bridge ask of the main window. Both are plain C++; the main frame
// implements this with widgets, tests record the calls. Everything here is called
// on the user-interface thread.
#pragma once

#include "document/Messages.h"

#include <cstdint>
#include <string>

namespace kestrelon {

// LEDs of the status bar, by role.
enum LedRole : int { LED_CTS = 0, LED_DSR = 1, LED_CD = 2, LED_DATA = 3, LED_SERVER = 4, LED_BRIDGE = 5 };

// Pane identifiers of the status bar (string table numbers).
enum PaneId : int {
    PANE_CAP = 59137,
    PANE_NUM = 59138,
    PANE_MAKER = 59144,
    PANE_CONNECTION = 59145,
    PANE_CTS = 59146,
    PANE_DSR = 59147,
    PANE_CD = 59148,
    PANE_DATA = 59149,
    PANE_SERVER = 59150,
    PANE_BRIDGE = 59151,
    PANE_PEER = 59152,
    PANE_LOG = 59153,
};

enum class MessageBoxIcon { Information, Exclamation, Error };

class IHubWindow {
public:
    virtual ~IHubWindow() = default;

    // Lamps (states 0 to 9 of the indicator lamp).
    virtual void SetLedState(LedRole led, int state) = 0;
    virtual void BlinkLed(LedRole led, int state, int cycles) = 0; // Blink(0, 0) stops
    virtual void AlternateLed(LedRole led, int a, int b, int rate, int count) = 0;

    // Status bar: pane set for a connection mode, then pane texts.
    virtual void SetStatusPanes(std::uint32_t commMode) = 0;
    virtual void SetPaneText(PaneId pane, const std::string& text) = 0;
    // A report in the message pane until the next one; "" brings back the
    // idle prompt (a window without the pane ignores it).
    virtual void ShowStatusMessage(const std::string& /*text*/) {}

    // The serial port's modem lines as MODEM_ bits, -1 for a port that has none
    // (a pseudo-terminal), MODEM_LINES_UNKNOWN while no port is open.
    virtual void ShowModemLines(int /*bits*/) {}
    virtual void EnableFunctionKeys(bool enable) = 0;
    virtual void RefreshFunctionKeys() = 0; // captions of the current level

    // The COM-port failure dialog with `detail` (port, device, reason) below
    // its fixed text; true when the user chose "Setup Data Communication".
    virtual bool ShowPortFailureDialog(const std::string& detail) = 0;
    virtual void ShowMessageBox(const std::string& text, MessageBoxIcon icon) = 0;
    // Posts a menu command to the main window (handled after the current message).
    virtual void PostCommand(int command) = 0;

    virtual void Beep() = 0;
    virtual void FocusActiveView() = 0;
    // 0 ASCII, 1 hex, 2 ANSI, 3 Terminal.
    virtual int ActiveView() const = 0;

    // GPS bar: while visible every received byte goes to its NMEA parser.
    virtual bool IsGpsBarVisible() const = 0;
    virtual void FeedGps(std::uint8_t byte) = 0;
};

} // namespace kestrelon
