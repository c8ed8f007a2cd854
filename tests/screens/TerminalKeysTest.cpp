// The Terminal view's key table against what an xterm sends, one row per key
// and mode, and pastes with their frame.
#include "screens/TerminalKeys.h"

#include <gtest/gtest.h>

namespace kestrelon {
namespace {

constexpr unsigned S = KEY_SHIFT, A = KEY_ALT, C = KEY_CTRL;
const CTerminalKeyModes kNormal{};
const CTerminalKeyModes kApplication{true, true, false, true};
const CTerminalKeyModes kBsLatin1{false, false, true, false};

struct CKeyRow {
    TerminalKey key;
    unsigned modifiers;
    const CTerminalKeyModes* modes;
    const char* bytes;
};

TEST(TerminalKeysTest, NamedKeys)
{
    const CKeyRow rows[] = {
        {TerminalKey::Up, 0, &kNormal, "\033[A"},
        {TerminalKey::Up, 0, &kApplication, "\033OA"},
        {TerminalKey::Left, C, &kApplication, "\033[1;5D"},
        {TerminalKey::Right, S | A, &kNormal, "\033[1;4C"},
        {TerminalKey::Home, 0, &kNormal, "\033[H"},
        {TerminalKey::End, 0, &kApplication, "\033OF"},
        {TerminalKey::Insert, 0, &kNormal, "\033[2~"},
        {TerminalKey::Delete, 0, &kApplication, "\033[3~"},
        {TerminalKey::PageUp, S, &kNormal, "\033[5;2~"},
        {TerminalKey::PageDown, 0, &kNormal, "\033[6~"},
        {TerminalKey::F1, 0, &kNormal, "\033OP"},
        {TerminalKey::F4, C, &kNormal, "\033[1;5S"},
        {TerminalKey::F5, 0, &kNormal, "\033[15~"},
        {TerminalKey::F10, 0, &kNormal, "\033[21~"},
        {TerminalKey::F11, 0, &kNormal, "\033[23~"},
        {TerminalKey::F12, S, &kNormal, "\033[24;2~"},
        {TerminalKey::Backspace, 0, &kNormal, "\x7f"},
        {TerminalKey::Backspace, 0, &kBsLatin1, "\b"},
        {TerminalKey::Backspace, C, &kNormal, "\b"},
        {TerminalKey::Backspace, A, &kNormal, "\033\x7f"},
        {TerminalKey::Tab, 0, &kNormal, "\t"},
        {TerminalKey::Tab, S, &kNormal, "\033[Z"},
        {TerminalKey::Enter, 0, &kApplication, "\r"},
        {TerminalKey::Escape, 0, &kNormal, "\033"},
    };
    for (const CKeyRow& row : rows)
        EXPECT_EQ(EncodeTerminalKey(row.key, row.modifiers, *row.modes), row.bytes)
            << static_cast<int>(row.key) << " modifiers " << row.modifiers;
}

struct CCharRow {
    char32_t ch;
    unsigned modifiers;
    bool keypad;
    const CTerminalKeyModes* modes;
    std::string bytes;
};

TEST(TerminalKeysTest, Characters)
{
    const CCharRow rows[] = {
        {'a', 0, false, &kNormal, "a"},
        {'c', C, false, &kNormal, "\x03"},
        {'C', C, false, &kNormal, "\x03"},
        {' ', C, false, &kNormal, std::string(1, '\0')},
        {'[', C, false, &kNormal, "\033"},
        {'?', C, false, &kNormal, "\x7f"},
        {'x', A, false, &kNormal, "\033x"},
        {'x', A | C, false, &kNormal, "\033\x18"},
        {U'\u00e4', 0, false, &kNormal, "\xc3\xa4"},
        {U'\u00e4', 0, false, &kBsLatin1, "\xe4"},
        {U'\u20ac', 0, false, &kBsLatin1, ""},
        {U'\U0001F600', 0, false, &kNormal, "\xf0\x9f\x98\x80"},
        {'5', 0, true, &kApplication, "\033Ou"},
        {'5', 0, true, &kNormal, "5"},
        {'+', 0, true, &kApplication, "\033Ok"},
        {'!', C, false, &kNormal, ""},
    };
    for (const CCharRow& row : rows)
        EXPECT_EQ(EncodeTerminalChar(row.ch, row.modifiers, row.keypad, *row.modes), row.bytes)
            << "U+" << std::hex << static_cast<unsigned>(row.ch);
}

TEST(TerminalKeysTest, Pastes)
{
    EXPECT_EQ(EncodeTerminalPaste("ls\r\nvi a\nb\r", false, kNormal), "ls\rvi a\rb\r");
    EXPECT_EQ(EncodeTerminalPaste("x\033[201~y", true, kNormal), "\033[200~xy\033[201~");
    EXPECT_EQ(EncodeTerminalPaste("\xc3\xa4\xe2\x82\xac", false, kBsLatin1), "\xe4?");
}

} // namespace
} // namespace kestrelon
