// The escape sequence parser of the Terminal view: the DEC parser state
// diagram over bytes, handing printable text, controls and complete sequences
// to a dispatch interface. Every buffer it keeps has a named limit.
#pragma once

#include "screens/Utf8Decoder.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace kestrelon {

// A complete ESC or CSI sequence.
struct CVtSequence {
    // More parameters than any real sequence uses (an SGR with two 24-bit
    // colours and a few attributes needs about 15); the rest are dropped.
    static constexpr int MAX_PARAMETERS = 32;
    // Real sequences have at most one; a sequence with more is not ours.
    static constexpr int MAX_INTERMEDIATES = 2;
    // Parameters saturate here: beyond any screen, far below integer overflow.
    static constexpr int MAX_PARAMETER_VALUE = 65535;

    std::array<int, MAX_PARAMETERS> parameters{}; // -1: left empty
    int count = 0;
    // Bit i set: parameter i followed a colon, a sub-parameter of the one before.
    std::uint32_t subParameters = 0;
    char marker = 0; // private marker '?', '>', '<' or '=' of a CSI, or 0
    std::array<char, MAX_INTERMEDIATES> intermediates{};
    int intermediateCount = 0;
    char final = 0;

    // Parameter i, or `fallback` when missing or empty (and, with zeroIsDefault, when 0).
    int Param(int i, int fallback, bool zeroIsDefault = true) const;
    bool IsSub(int i) const { return i < 32 && (subParameters >> i & 1u) != 0; }
    char Intermediate() const { return intermediateCount > 0 ? intermediates[0] : 0; }
};

// What the parser finds. The screen implements it; test doubles record it.
class IVtDispatch {
public:
    virtual ~IVtDispatch() = default;
    virtual void Print(char32_t codePoint) = 0;
    // A run of printable ASCII (0x20..0x7E): the common case, handed over whole.
    virtual void PrintAscii(const std::uint8_t* data, std::size_t length) = 0;
    virtual void Execute(std::uint8_t control) = 0;
    virtual void EscDispatch(const CVtSequence& sequence) = 0;
    virtual void CsiDispatch(const CVtSequence& sequence) = 0;
    // The text of an OSC string without its terminator, cut at MAX_STRING_LENGTH.
    virtual void OscDispatch(const char* text, std::size_t length) = 0;
};

class CVtParser {
public:
    // Titles and other OSC texts are kept up to this; the rest is read and dropped.
    static constexpr std::size_t MAX_STRING_LENGTH = 512;

    enum class State : std::uint8_t {
        Ground,
        Escape,
        EscapeIntermediate,
        CsiEntry,
        CsiParam,
        CsiIntermediate,
        CsiIgnore,
        OscString,
        DcsPassthrough, // DCS strings are read to their end and dropped
        SosPmApcString,
    };

    explicit CVtParser(IVtDispatch& dispatch) : m_dispatch(dispatch) {}

    void Feed(const std::uint8_t* data, std::size_t length);
    // Bytes 0x80 and above: UTF-8, or Latin-1 characters (0x80..0x9F then ignored).
    void SetUtf8(bool utf8);
    void Reset();
    State GetState() const { return m_state; }

private:
    std::size_t Ground(const std::uint8_t* data, std::size_t length);
    void HighByte(std::uint8_t b);
    void Byte(std::uint8_t b);
    void EscapeByte(std::uint8_t b);
    void CsiByte(std::uint8_t b);
    void StringByte(std::uint8_t b);
    void Clear();
    void Collect(std::uint8_t b);
    void Param(std::uint8_t b);
    void Enter(State state);

    IVtDispatch& m_dispatch;
    State m_state = State::Ground;
    CVtSequence m_sequence;
    bool m_ignore = false;     // too many intermediates: the sequence is not ours
    bool m_paramsFull = false; // parameters past the limit are dropped
    bool m_utf8 = true;
    CUtf8Decoder m_decoder;
    std::array<char, MAX_STRING_LENGTH> m_string{};
    std::size_t m_stringLength = 0;
};

} // namespace kestrelon
