// The xterm key table: cursor and editing keys, function keys, control and
// meta combinations, and pastes with their frame.
#include "screens/TerminalKeys.h"

#include "screens/Utf8Decoder.h"

#include <array>
#include <utility>

namespace kestrelon {

namespace {

constexpr char kEsc = '\033';

// How one named key is written: `final` after CSI or SS3, or a number before '~'.
struct CKeyForm {
    char final;  // 'A' ... or '~'
    int number;  // for '~' keys, and 1 when a modifier parameter follows
    bool ss3;    // SS3 without modifiers (F1-F4, and cursor keys in application mode)
    bool cursor; // follows application cursor mode
};

constexpr std::array<CKeyForm, 22> kForms{{
    {'A', 1, false, true},   {'B', 1, false, true},   {'C', 1, false, true},   {'D', 1, false, true},
    {'H', 1, false, true},   {'F', 1, false, true},   {'~', 2, false, false},  {'~', 3, false, false},
    {'~', 5, false, false},  {'~', 6, false, false},  {'P', 1, true, false},   {'Q', 1, true, false},
    {'R', 1, true, false},   {'S', 1, true, false},   {'~', 15, false, false}, {'~', 17, false, false},
    {'~', 18, false, false}, {'~', 19, false, false}, {'~', 20, false, false}, {'~', 21, false, false},
    {'~', 23, false, false}, {'~', 24, false, false},
}};

std::string FormBytes(const CKeyForm& form, unsigned modifiers, const CTerminalKeyModes& modes)
{
    const unsigned parameter = 1 + (modifiers & (KEY_SHIFT | KEY_ALT | KEY_CTRL));
    std::string out(1, kEsc);
    if (parameter == 1 && (form.ss3 || (form.cursor && modes.applicationCursor))) {
        out += 'O';
        out += form.final;
        return out;
    }
    out += '[';
    if (form.final == '~' || parameter > 1)
        out += std::to_string(form.number);
    if (parameter > 1)
        out += ';' + std::to_string(parameter);
    out += form.final;
    return out;
}

std::string WithMeta(unsigned modifiers, std::string bytes)
{
    if ((modifiers & KEY_ALT) && !bytes.empty())
        bytes.insert(bytes.begin(), kEsc);
    return bytes;
}

// Ctrl with a character: the control byte an xterm sends, or -1 for none.
int ControlOf(char32_t ch)
{
    if ((ch >= 'a' && ch <= 'z') || (ch >= '@' && ch <= '_'))
        return static_cast<int>(ch & 0x1F);
    // The digits and punctuation an xterm also turns into control bytes.
    static constexpr std::pair<char32_t, int> kOthers[] = {{' ', 0x00}, {'2', 0x00}, {'3', 0x1B}, {'4', 0x1C},
                                                           {'5', 0x1D}, {'6', 0x1E}, {'7', 0x1F}, {'-', 0x1F},
                                                           {'/', 0x1F}, {'8', 0x7F}, {'?', 0x7F}};
    for (const auto& [other, control] : kOthers)
        if (other == ch)
            return control;
    return -1;
}

// The numeric keypad in application mode: SS3 and a letter.
char KeypadFinal(char32_t ch)
{
    if (ch >= '0' && ch <= '9')
        return static_cast<char>('p' + (ch - '0'));
    // '.' ',' '+' '-' '*' '/' in that order, as the keypad's SS3 finals n l k m j o.
    static constexpr std::string_view kKeys = ".,+-*/";
    static constexpr std::string_view kFinals = "nlkmjo";
    const std::size_t at = ch < 0x80 ? kKeys.find(static_cast<char>(ch)) : std::string_view::npos;
    return at == std::string_view::npos ? 0 : kFinals[at];
}

} // namespace

bool AppendEncoded(std::string& out, char32_t ch, bool utf8)
{
    if (ch > 0x10FFFF || (ch >= 0xD800 && ch <= 0xDFFF) || (!utf8 && ch > 0xFF))
        return false;
    if (utf8)
        AppendUtf8(out, ch);
    else
        out += static_cast<char>(ch);
    return true;
}

std::string EncodeTerminalKey(TerminalKey key, unsigned modifiers, const CTerminalKeyModes& modes)
{
    switch (key) {
    case TerminalKey::Backspace: {
        // Ctrl gives the other of the two, as the user's choice may not suit every program.
        const bool bs = modes.backspaceSendsBs != ((modifiers & KEY_CTRL) != 0);
        return WithMeta(modifiers, std::string(1, bs ? '\b' : '\x7f'));
    }
    case TerminalKey::Tab:
        return (modifiers & KEY_SHIFT) ? std::string("\033[Z") : WithMeta(modifiers, "\t");
    case TerminalKey::Enter:
        return WithMeta(modifiers, "\r");
    case TerminalKey::Escape:
        return WithMeta(modifiers, "\033");
    default:
        break;
    }
    const auto index = static_cast<std::size_t>(key);
    return index < kForms.size() ? FormBytes(kForms[index], modifiers, modes) : std::string();
}

std::string EncodeTerminalChar(char32_t ch, unsigned modifiers, bool keypad, const CTerminalKeyModes& modes)
{
    if (keypad && modes.applicationKeypad && !(modifiers & (KEY_CTRL | KEY_ALT)))
        if (const char final = KeypadFinal(ch))
            return std::string{kEsc, 'O', final};
    std::string out;
    if (modifiers & KEY_CTRL) {
        const int control = ControlOf(ch);
        if (control < 0)
            return {};
        out += static_cast<char>(control);
    } else if (!AppendEncoded(out, ch, modes.utf8)) {
        return {};
    }
    return WithMeta(modifiers, std::move(out));
}

std::string EncodeTerminalPaste(std::string_view text, bool bracketed, const CTerminalKeyModes& modes)
{
    static constexpr std::string_view kStart = "\033[200~";
    static constexpr std::string_view kEnd = "\033[201~";
    std::string out;
    out.reserve(text.size() + kStart.size() + kEnd.size());
    if (bracketed)
        out += kStart;
    for (std::size_t i = 0; i < text.size();) {
        if (bracketed && text.substr(i, kEnd.size()) == kEnd) {
            i += kEnd.size();
            continue;
        }
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte == '\r' || byte == '\n') {
            // CR LF, LF and CR alike end a line the way Enter does.
            out += '\r';
            i += (byte == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
            continue;
        }
        if (modes.utf8 || byte < 0x80) {
            out += static_cast<char>(byte);
            ++i;
            continue;
        }
        // Latin-1: one byte per character, '?' for what it cannot write.
        char32_t ch = 0;
        const int extra = byte >= 0xF0 ? 3 : byte >= 0xE0 ? 2 : 1;
        ch = byte & (0x3F >> extra);
        std::size_t j = i + 1;
        for (int k = 0; k < extra && j < text.size(); ++k, ++j)
            ch = (ch << 6) | (static_cast<unsigned char>(text[j]) & 0x3F);
        if (!AppendEncoded(out, ch, false))
            out += '?';
        i = j;
    }
    if (bracketed)
        out += kEnd;
    return out;
}

} // namespace kestrelon
