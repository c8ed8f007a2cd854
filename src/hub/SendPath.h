// The send path: typed characters, texts in the escape notation of keys and
// answers, and raw bytes, each handed to whichever connection the document's
// mode selects. Sends without a connection are dropped silently.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

namespace kestrelon {

class CKestronDoc;
class ISerialLink;
class IIpLink;

// Decoded texts are cut at this many bytes.
constexpr std::size_t SEND_TEXT_LIMIT = 2048;

class CSendPath {
public:
    CSendPath(CKestronDoc& doc, ISerialLink& serial, IIpLink& ip);

    // A key typed in a view: CR may become CR LF, and the local echo shows a
    // backspace as "back, blank, back" so that it erases on screen.
    void TypedCharacter(std::uint8_t c);
    // Function keys, automatic answers and the in-band time reply; echoed byte
    // for byte when local echo is on.
    void SendText(std::string_view text);
    // Raw bytes to the active connection; no echo, no conversion.
    void Send(const std::uint8_t* data, std::size_t length);
    // Told about bytes for the serial port while it is not open.
    void SetSerialRefused(std::function<void()> refused) { m_serialRefused = std::move(refused); }

private:
    CKestronDoc& m_doc;
    ISerialLink& m_serial;
    IIpLink& m_ip;
    std::function<void()> m_serialRefused;
};

} // namespace kestrelon
