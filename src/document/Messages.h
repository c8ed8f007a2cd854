// Message numbers and notification codes between drivers, views, dialogs and the
// main frame. The numbers are fixed: each handler can be matched to its table.
#pragma once

#include "framework/MessageCarrier.h"

#include <cstdint>
#include <string>

namespace kestrelon {

constexpr std::uint32_t WM_USER_BASE = 0x400;

// Thread messages of a serial driver.
constexpr std::uint32_t WM_DRIVER_OPEN = WM_USER_BASE + 5;   // open m_deviceName
constexpr std::uint32_t WM_DRIVER_CLOSE = WM_USER_BASE + 6;  // close the device
constexpr std::uint32_t WM_DRIVER_DATA = WM_USER_BASE + 7;   // wParam 3, block from the reader
constexpr std::uint32_t WM_DRIVER_WRITE = WM_USER_BASE + 8;  // wParam 0, block to write
constexpr std::uint32_t WM_DRIVER_READER = WM_USER_BASE + 9; // start the reader again
constexpr std::uint32_t WM_DRIVER_QUIT = 0x0012;             // quit, exit code in wParam (5)
constexpr int DRIVER_QUIT_EXIT_CODE = 5;

// Messages to the main frame.
constexpr std::uint32_t WM_TERMINAL = WM_USER_BASE + 10;        // terminal notification, code in wParam
constexpr std::uint32_t WM_TRANSFER_DRIVER = WM_USER_BASE + 12; // mapped by the transfer driver
constexpr std::uint32_t WM_TRANSFER = WM_USER_BASE + 13;        // transfer status
constexpr std::uint32_t WM_IP_MAIN = WM_USER_BASE + 14;         // main IP connection
constexpr std::uint32_t WM_IP_BRIDGE = WM_USER_BASE + 15;       // bridge IP connection
constexpr std::uint32_t WM_IP_TRANSFER = WM_USER_BASE + 16;     // file transfer over IP

// Codes of WM_TERMINAL (also the driver thread's forwarded WM_USER_BASE + 10).
enum TerminalCode : int {
    TC_TYPED_CHAR = 2,        // lParam: character
    TC_PASTE = 7,             // payload: CByteBlock, sent paced as if typed
    TC_RECEIVED = 3,          // payload: CByteBlock, sent synchronously
    TC_SEND_BYTE = 4,         // lParam: byte
    TC_SEND_STRING = 5,       // lParam: const char*, outlives the message
    TC_SEND_BLOCK = 6,        // payload: CByteBlock
    TC_SEND_PACED = 8,        // payload: CByteBlock, sent paced as it is: no echo, no conversion
    TC_APPLY_CONNECTION = 10, // reapply the connection settings
    TC_REFRESH_FKEYS = 11,    // refresh the function-key captions
    TC_AUTO_ANSWER = 12,      // lParam: index into the answer list
    TC_PORT_OPENED = 15,      // lParam: 0, or the new baud rate
    TC_PORT_FAILED = 16,      // lParam: PortFailure
    TC_LOGGING = 17,          // lParam: 0 stopped, non-zero started
    TC_DEVICE_BACK = 18,      // a removed device came back and was reopened; payload: its path
    TC_NEW_SETTINGS = 20,     // document new or loaded
    TC_CTS_HOLD = 31,         // lParam: 1 held, 0 released
    TC_DSR_HOLD = 32,
    TC_CD_HOLD = 33,
    TC_LINE_ERRORS = 34, // lParam: CE_ flags
    TC_MODEM_LINES = 35, // lParam: MODEM_ bits, or -1 for a port without modem lines
    TC_SEND_ROOM = 36,   // the output queue drained after WatchSendRoom
    TC_FILL_SEND_PROTOCOLS = 41,
    TC_FILL_RECEIVE_PROTOCOLS = 42,
};

// Values of TC_MODEM_LINES besides the MODEM_ bits: a port without modem lines
// (a pseudo-terminal), and, on the window's side, no port open.
constexpr int MODEM_LINES_NONE = -1;
constexpr int MODEM_LINES_UNKNOWN = -2;

// lParam of TC_PORT_FAILED.
enum PortFailure : int {
    PF_NOT_OPENED = 0,
    PF_SETTINGS_REFUSED = 1,
    PF_BUFFERS_REFUSED = 2,
    PF_DEVICE_LOST = 3, // the device went away while open (adapter pulled); payload: its path
};

// Payload of the other TC_PORT_FAILED reasons: which device failed and why,
// so the user reads more than "not available, in use or ...".
class CPortErrorPayload : public CMessagePayload {
public:
    CPortErrorPayload(std::string path, int error) : m_path(std::move(path)), m_error(error) {}
    const std::string& Path() const { return m_path; }
    int Error() const { return m_error; } // errno, 0 when the system gave none
private:
    std::string m_path;
    int m_error;
};

// Codes of WM_IP_MAIN and WM_IP_BRIDGE.
enum IpCode : int {
    IP_CONNECTED = 1, // lParam: socket handle
    IP_RECEIVED = 2,  // payload: CByteBlock
    IP_CLOSED = 3, // payload (when the peer closed): CTextPayload with the reason
    IP_UDP_READY = 4, // lParam: socket handle
    IP_UDP_CLOSED = 5,
    IP_UDP_PEER = 6, // payload: CTextPayload with the sender's name
    IP_FAILED = 50, // payload (main connection): CTextPayload with the error text
    IP_SEND_FAILED = 51,   // lParam: socket error number; payload: CTextPayload with its text
    IP_SEND_OVERFLOW = 52, // the send queue was full: bytes dropped (once per episode)
    IP_SEND_ROOM = 53,     // the send queue drained after WatchSendRoom
    IP_PEER_REFUSED = 54,  // a second peer was turned away; payload: CTextPayload with its name
};

// Line error flags (CE_ bits) reported with TC_LINE_ERRORS.
enum CommError : std::uint32_t {
    CE_RXOVER = 0x0001,
    CE_OVERRUN = 0x0002,
    CE_RXPARITY = 0x0004,
    CE_FRAME = 0x0008,
    CE_BREAK = 0x0010,
    CE_TXFULL = 0x0100,
};

// Command identifiers of menus, toolbar and bars.
enum CommandId : int {
    ID_SETUP_FONT = 32771,
    ID_SETUP_FKEYS = 32772,
    ID_SETUP_COMMUNICATION = 32773,
    ID_SETUP_TERMINAL = 32774,
    ID_VIEW_ASCII = 32775,
    ID_VIEW_HEX = 32777,
    ID_VIEW_FKEYS = 32779,
    ID_FILE_SEND = 32780,
    ID_FILE_RECEIVE = 32781,
    ID_EDIT_RESET_SCREEN = 32782,
    ID_FILE_LOGGING = 32783,
    ID_EDIT_SELECT_ALL = 32784,
    ID_TOGGLE_AUTOSCROLL = 32786,
    ID_TOGGLE_COMMUNICATION = 32787,
    ID_VIEW_GPS_BAR = 32788,
    ID_SETUP_AUTO_ANSWER = 32789,
    ID_TOGGLE_AUTO_ANSWER = 32790,
    ID_TOGGLE_BRIDGE = 32791,
    ID_VIEW_ANSI = 32793,
    // Saving and searching what the views show, and their time stamps.
    ID_FILE_SAVE_OUTPUT = 32810,
    ID_EDIT_COPY_ALL = 32811,
    ID_EDIT_FIND = 32812,
    ID_EDIT_FIND_NEXT = 32813,
    ID_EDIT_FIND_PREVIOUS = 32814,
    ID_VIEW_TIMESTAMPS = 32815,
    ID_VIEW_TERMINAL = 32830,
    ID_SCREEN_1 = 19,
    ID_FKEY_FIRST = 1101, // 1101 to 1110
    ID_FKEY_LEVEL_UP = 1091,
    ID_FKEY_LEVEL_DOWN = 1092,
};

} // namespace kestrelon
