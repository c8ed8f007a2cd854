// The DEC parser state diagram: transitions that apply in every state (CAN,
// SUB, ESC, other C0 controls, DEL) first, then one handler per state. Text in
// the ground state is handed over in runs so the common case costs one scan.
#include "screens/VtParser.h"

namespace kestrelon {

namespace {

// 0x20..0x2F: intermediate bytes of ESC and CSI sequences.
bool IsIntermediate(std::uint8_t b)
{
    return b >= 0x20 && b <= 0x2F;
}
// 0x30..0x3F: parameter bytes (digits, ':', ';', and the private markers '<' '=' '>' '?').
bool IsParameter(std::uint8_t b)
{
    return b >= 0x30 && b <= 0x3F;
}
bool IsMarker(std::uint8_t b)
{
    return b >= 0x3C && b <= 0x3F;
}
// 0x40..0x7E: final bytes of CSI sequences.
bool IsCsiFinal(std::uint8_t b)
{
    return b >= 0x40 && b <= 0x7E;
}
// 0x20..0x7E: printable ASCII.
bool IsPrintable(std::uint8_t b)
{
    return b >= 0x20 && b <= 0x7E;
}

constexpr std::uint8_t BEL = 0x07;
constexpr std::uint8_t CAN = 0x18;
constexpr std::uint8_t SUB = 0x1A;
constexpr std::uint8_t ESC = 0x1B;
constexpr std::uint8_t DEL = 0x7F;

} // namespace

int CVtSequence::Param(int i, int fallback, bool zeroIsDefault) const
{
    if (i < 0 || i >= count || parameters[static_cast<std::size_t>(i)] < 0)
        return fallback;
    const int value = parameters[static_cast<std::size_t>(i)];
    return value == 0 && zeroIsDefault ? fallback : value;
}

void CVtParser::SetUtf8(bool utf8)
{
    m_utf8 = utf8;
    m_decoder.Reset();
}

void CVtParser::Reset()
{
    m_state = State::Ground;
    m_decoder.Reset();
    Clear();
}

void CVtParser::Feed(const std::uint8_t* data, std::size_t length)
{
    std::size_t at = 0;
    while (at < length) {
        if (m_state == State::Ground && !m_decoder.Open()) {
            at += Ground(data + at, length - at);
            if (at >= length)
                break;
        }
        Byte(data[at++]);
    }
}

// Hands over the run of printable ASCII at the start; returns its length.
std::size_t CVtParser::Ground(const std::uint8_t* data, std::size_t length)
{
    std::size_t run = 0;
    while (run < length && IsPrintable(data[run]))
        ++run;
    if (run > 0)
        m_dispatch.PrintAscii(data, run);
    return run;
}

void CVtParser::HighByte(std::uint8_t b)
{
    if (!m_utf8) {
        if (b >= 0xA0) // 0x80..0x9F are C1 controls in Latin-1, not characters
            m_dispatch.Print(b);
        return;
    }
    bool again = false;
    const char32_t c = m_decoder.Take(b, again);
    if (c != CUtf8Decoder::NONE && (c < 0x80 || c > 0x9F)) // C1 controls are never drawn
        m_dispatch.Print(c);
    if (again)
        HighByte(b);
}

void CVtParser::Byte(std::uint8_t b)
{
    if (m_decoder.Open() && b < 0x80) {
        // A sequence cut short by ASCII shows as one replacement.
        const char32_t c = m_decoder.Interrupt();
        m_dispatch.Print(c);
    }
    if (b == CAN || b == SUB) {
        m_dispatch.Execute(b);
        Enter(State::Ground);
        return;
    }
    if (b == ESC) {
        if (m_state == State::OscString)
            m_dispatch.OscDispatch(m_string.data(), m_stringLength);
        Enter(State::Escape);
        return;
    }
    if (b == DEL)
        return;
    const bool inString =
        m_state == State::OscString || m_state == State::DcsPassthrough || m_state == State::SosPmApcString;
    if (b < 0x20 && !inString) {
        m_dispatch.Execute(b);
        return;
    }
    switch (m_state) {
    case State::Ground:
        if (b >= 0x80)
            HighByte(b);
        else
            m_dispatch.PrintAscii(&b, 1);
        return;
    case State::Escape:
    case State::EscapeIntermediate:
        EscapeByte(b);
        return;
    case State::CsiEntry:
    case State::CsiParam:
    case State::CsiIntermediate:
    case State::CsiIgnore:
        CsiByte(b);
        return;
    case State::OscString:
    case State::DcsPassthrough:
    case State::SosPmApcString:
        StringByte(b);
        return;
    }
}

void CVtParser::EscapeByte(std::uint8_t b)
{
    if (b >= 0x80)
        return;
    if (IsIntermediate(b)) {
        Collect(b);
        m_state = State::EscapeIntermediate;
        return;
    }
    if (m_state == State::Escape) {
        switch (b) {
        case '[':
            Enter(State::CsiEntry);
            return;
        case ']':
            Enter(State::OscString);
            return;
        case 'P':
            Enter(State::DcsPassthrough);
            return;
        case 'X':
        case '^':
        case '_':
            Enter(State::SosPmApcString);
            return;
        default:
            break;
        }
    }
    m_sequence.final = static_cast<char>(b);
    if (!m_ignore)
        m_dispatch.EscDispatch(m_sequence);
    Enter(State::Ground);
}

void CVtParser::CsiByte(std::uint8_t b)
{
    if (b >= 0x80)
        return;
    if (m_state == State::CsiIgnore) {
        if (IsCsiFinal(b))
            Enter(State::Ground);
        return;
    }
    if (IsIntermediate(b)) {
        Collect(b);
        m_state = State::CsiIntermediate;
        return;
    }
    if (IsParameter(b)) {
        if (m_state == State::CsiIntermediate || (IsMarker(b) && m_state != State::CsiEntry)) {
            m_state = State::CsiIgnore;
            return;
        }
        if (IsMarker(b))
            m_sequence.marker = static_cast<char>(b);
        else
            Param(b);
        m_state = State::CsiParam;
        return;
    }
    m_sequence.final = static_cast<char>(b);
    if (!m_ignore)
        m_dispatch.CsiDispatch(m_sequence);
    Enter(State::Ground);
}

void CVtParser::StringByte(std::uint8_t b)
{
    if (m_state != State::OscString)
        return; // DCS, SOS, PM and APC strings are read to their end and dropped
    if (b == BEL) {
        m_dispatch.OscDispatch(m_string.data(), m_stringLength);
        Enter(State::Ground);
        return;
    }
    if (b >= 0x20 && m_stringLength < MAX_STRING_LENGTH)
        m_string[m_stringLength++] = static_cast<char>(b);
}

void CVtParser::Clear()
{
    m_sequence.count = 0;
    m_sequence.subParameters = 0;
    m_sequence.marker = 0;
    m_sequence.intermediateCount = 0;
    m_sequence.final = 0;
    m_ignore = false;
    m_paramsFull = false;
    m_stringLength = 0;
}

void CVtParser::Collect(std::uint8_t b)
{
    if (m_sequence.intermediateCount == CVtSequence::MAX_INTERMEDIATES) {
        m_ignore = true;
        return;
    }
    m_sequence.intermediates[static_cast<std::size_t>(m_sequence.intermediateCount++)] = static_cast<char>(b);
}

void CVtParser::Param(std::uint8_t b)
{
    auto& s = m_sequence;
    if (s.count == 0) {
        s.count = 1;
        s.parameters[0] = -1;
    }
    if (b == ';' || b == ':') {
        if (s.count == CVtSequence::MAX_PARAMETERS) {
            m_paramsFull = true; // the rest are dropped
            return;
        }
        if (b == ':')
            s.subParameters |= 1u << s.count;
        s.parameters[static_cast<std::size_t>(s.count++)] = -1;
        return;
    }
    if (m_paramsFull)
        return;
    int& value = s.parameters[static_cast<std::size_t>(s.count - 1)];
    value = value < 0 ? 0 : value;
    value = value * 10 + (b - '0');
    if (value > CVtSequence::MAX_PARAMETER_VALUE)
        value = CVtSequence::MAX_PARAMETER_VALUE;
}

void CVtParser::Enter(State state)
{
    m_state = state;
    if (state != State::Ground)
        Clear();
}

} // namespace kestrelon
