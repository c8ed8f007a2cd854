// Builds .kst streams byte by byte in tests, so expected files are written
// from the file layout and not from the program's own writer.
#pragma once

#include <cstdint>
#include <string>

namespace kestrelon::test {

class KstBytes {
public:
    KstBytes& U8(std::uint8_t v)
    {
        m_bytes.push_back(static_cast<char>(v));
        return *this;
    }
    KstBytes& U16(std::uint16_t v) { return U8(std::uint8_t(v)).U8(std::uint8_t(v >> 8)); }
    KstBytes& U32(std::uint32_t v) { return U16(std::uint16_t(v)).U16(std::uint16_t(v >> 16)); }
    KstBytes& Zeros(std::size_t n)
    {
        m_bytes.append(n, '\0');
        return *this;
    }
    KstBytes& Raw(const std::string& bytes)
    {
        m_bytes += bytes;
        return *this;
    }
    // A string below 255 bytes: one length byte, then the bytes.
    KstBytes& Str(const std::string& s) { return U8(std::uint8_t(s.size())).Raw(s); }
    const std::string& Bytes() const { return m_bytes; }

private:
    std::string m_bytes;
};

// The 28-byte serial line record of a new document.
inline std::string DefaultDcbBytes()
{
    KstBytes b;
    b.U32(28).U32(9600).U32(0x0008A025); // record length, rate, flags
    b.U16(0).U16(2048).U16(512);         // reserved, XON and XOFF limits
    b.U8(8).U8(0).U8(0).U8(17).U8(19);   // data bits, parity, stop bits, XON, XOFF
    b.U8(0).U8(0).U8(0).U16(0);          // error, end and event characters, reserved
    return b.Bytes();
}

// The 60-byte font record of a new document: Courier New, 20, bold.
inline std::string DefaultFontBytes()
{
    std::string face = "Courier New";
    face.resize(32, '\0');
    KstBytes b;
    b.U32(20).U32(0).U32(0).U32(0).U32(700); // height, width, escapement, orientation, weight
    b.U8(0).U8(0).U8(0).U8(1);               // italic, underline, strike-out, character set
    b.U8(0).U8(0).U8(0).U8(0x21).Raw(face);  // precisions, quality, pitch and family, face
    return b.Bytes();
}

} // namespace kestrelon::test
