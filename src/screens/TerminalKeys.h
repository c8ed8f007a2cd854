// What the Terminal view sends for keys, typed characters and pastes: the byte
// strings of an xterm, given the modes the program on the other side set
// (application cursor keys and keypad, bracketed paste) and the user's settings.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrelon {

enum class TerminalKey {
    Up,
    Down,
    Right,
    Left,
    Home,
    End,
    Insert,
    Delete,
    PageUp,
    PageDown,
    F1,
    F2,
    F3,
    F4,
    F5,
    F6,
    F7,
    F8,
    F9,
    F10,
    F11,
    F12,
    Backspace,
    Tab,
    Enter,
    Escape,
};

// Modifier bits, in the weights of the modifier parameter (1 + sum).
enum TerminalModifier : unsigned { KEY_SHIFT = 1, KEY_ALT = 2, KEY_CTRL = 4 };

struct CTerminalKeyModes {
    bool applicationCursor = false; // DECSET 1
    bool applicationKeypad = false; // ESC =
    bool backspaceSendsBs = false;  // the user's choice; DEL otherwise
    bool utf8 = true;               // Latin-1 otherwise
};

// The bytes of a named key; empty for a combination that sends nothing.
std::string EncodeTerminalKey(TerminalKey key, unsigned modifiers, const CTerminalKeyModes& modes);
// The bytes of a typed character: Ctrl turns it into its control byte, Alt puts
// ESC before it; `keypad` for a key of the numeric keypad. Empty when the
// character has no byte in the encoding.
std::string EncodeTerminalChar(char32_t ch, unsigned modifiers, bool keypad, const CTerminalKeyModes& modes);
// Clipboard text (UTF-8) as a paste sends it: line ends become CR, and with
// `bracketed` it is framed by ESC [200~ and ESC [201~, an end marker inside the
// text taken out so that a paste can never end its own frame.
std::string EncodeTerminalPaste(std::string_view utf8Text, bool bracketed, const CTerminalKeyModes& modes);

// One character in the chosen encoding; false when Latin-1 has no byte for it.
bool AppendEncoded(std::string& out, char32_t ch, bool utf8);

} // namespace kestrelon
