// The send path: typed characters, texts in the escape notation of keys and
// answers, and raw bytes, each handed to whichever connection the document's
// mode selects. Without a connection nothing is echoed or sent, and the hub
// is told so it can say why. Pastes, keys
// and answers are paced on the sending thread of the serial port or of the IP
// connection; the "\!" line actions of keys and answers travel the same way,
// in order with their bytes. A socket has no lines: there only waits act.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include "document/DecodeText.h"
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
    // Escape while a paste is being sent cancels it instead of going out.
    void TypedCharacter(std::uint8_t c);
    // Clipboard text: each byte as if typed, sent paced.
    void Paste(const std::uint8_t* data, std::size_t length);
    // Function keys, automatic answers and the in-band time reply; echoed byte
    // for byte when local echo is on.
    void SendText(std::string_view text);
    // Raw bytes to the active connection; no echo, no conversion.
    void Send(const std::uint8_t* data, std::size_t length);
    // The same, with the pauses of paced sending (a terminal's paste).
    void SendPaced(const std::uint8_t* data, std::size_t length);
    // A line action on the open serial port, dropped for a line the document's
    // handshake drives. On an IP connection a wait is kept and the rest dropped.
    void SendLineAction(LineAction action, int waitMs = 0);
    // Paced bytes still waiting for the active connection.
    std::size_t PacedBytesLeft() const;
    // Throws away a paste (and whatever else waits for the connection).
    void CancelPaste();
    // Told about bytes that no connection takes (port closed, no peer, no socket).
    void SetRefused(std::function<void()> refused) { m_refused = std::move(refused); }
    // The connection of the document's mode takes bytes now.
    bool CanSend() const;
    // Told once per key or answer text whose DTR, RTS or break actions were
    // dropped because the connection is a network one.
    void SetLineActionsIgnored(std::function<void()> ignored) { m_lineActionsIgnored = std::move(ignored); }
    // Told the path of each "\!SCRIPT=" in a key or answer text.
    void SetScriptStarter(std::function<void(const std::string&)> starter) { m_scriptStarter = std::move(starter); }
    // What a script sends: the bytes as they are, echoed like typed text.
    void SendScripted(const std::uint8_t* data, std::size_t length);

private:
    // What the local echo shows of one typed or pasted byte.
    void Echo(std::uint8_t c, bool crLf);
    void SendTo(const std::uint8_t* data, std::size_t length, bool paced);
    bool IsIpMode() const;
    // The IP connection of the mode has a peer (TCP) or an open socket (UDP).
    bool IpCanSend() const;

    CKestronDoc& m_doc;
    ISerialLink& m_serial;
    IIpLink& m_ip;
    // False (and the hub told) when no connection takes bytes.
    bool Accepting() const;

    std::function<void()> m_refused;
    std::function<void()> m_lineActionsIgnored;
    std::function<void(const std::string&)> m_scriptStarter;
};

} // namespace kestrelon
