// CSendPath: conversions, local echo and the choice of connection.
#include "hub/SendPath.h"

#include "document/DecodeText.h"
#include "hub/HubLinks.h"
#include "document/KestronDoc.h"
#include "serial/DcbTermios.h"
#include "serial/SerialPort.h"

namespace kestrelon {

CSendPath::CSendPath(CKestronDoc& doc, ISerialLink& serial, IIpLink& ip) : m_doc(doc), m_serial(serial), m_ip(ip)
{
}

void CSendPath::TypedCharacter(std::uint8_t c)
{
    constexpr std::uint8_t kEscape = 27;
    if (c == kEscape && PacedBytesLeft() > 0) {
        CancelPaste();
        return;
    }
    if (!Accepting())
        return; // an echo would claim it went out
    const bool crLf = c == 13 && m_doc.crToCrLfOnSend;
    if (m_doc.localEcho)
        Echo(c, crLf);
    const std::uint8_t bytes[2] = {c, 10};
    Send(bytes, crLf ? 2 : 1);
}

void CSendPath::Echo(std::uint8_t c, bool crLf)
{
    m_doc.AddByte(c, m_doc.sendColour);
    if (c == 8) { // a typed backspace also rubs out what it moved over
        m_doc.AddByte(32, m_doc.sendColour);
        m_doc.AddByte(8, m_doc.sendColour);
    }
    if (crLf)
        m_doc.AddByte(10, m_doc.sendColour);
}

void CSendPath::Paste(const std::uint8_t* data, std::size_t length)
{
    if (length == 0 || !Accepting())
        return;
    std::vector<std::uint8_t> bytes;
    bytes.reserve(length + length / 8);
    for (std::size_t i = 0; i < length; ++i) {
        const std::uint8_t c = data[i];
        const bool crLf = c == 13 && m_doc.crToCrLfOnSend;
        bytes.push_back(c);
        if (crLf)
            bytes.push_back(10);
        if (m_doc.localEcho)
            Echo(c, crLf);
    }
    SendPaced(bytes.data(), bytes.size());
}

void CSendPath::SendText(std::string_view text)
{
    if (text.empty() || !Accepting())
        return;
    bool ignored = false;
    for (const CSendStep& step : DecodeSendSteps(text, SEND_TEXT_LIMIT, m_doc.crToCrLfOnSend)) {
        if (step.action == LineAction::Script) {
            if (m_scriptStarter)
                m_scriptStarter(step.script);
            continue;
        }
        if (step.action) {
            SendLineAction(*step.action, step.waitMs);
            ignored = ignored || (IsIpMode() && !m_ip.IsRemoteSerial() && *step.action != LineAction::Wait);
            continue;
        }
        if (m_doc.localEcho)
            for (std::uint8_t b : step.bytes)
                m_doc.AddByte(b, m_doc.sendColour);
        SendPaced(step.bytes.data(), step.bytes.size());
    }
    // Once per text: a reset sequence of five actions is one surprise, not five.
    if (ignored && m_lineActionsIgnored)
        m_lineActionsIgnored();
}

void CSendPath::SendScripted(const std::uint8_t* data, std::size_t length)
{
    if (m_doc.localEcho)
        for (std::size_t i = 0; i < length; ++i)
            m_doc.AddByte(data[i], m_doc.sendColour);
    Send(data, length);
}

void CSendPath::SendLineAction(LineAction action, int waitMs)
{
    if (IsIpMode()) {
        if (IpCanSend())
            m_ip.QueueLineAction(action, waitMs);
        return;
    }
    if (m_doc.commMode != 0 || !m_serial.IsOpen())
        return;
    const bool dtr = action == LineAction::DtrLow || action == LineAction::DtrHigh;
    const bool rts = action == LineAction::RtsLow || action == LineAction::RtsHigh;
    if ((dtr && HandshakeOwnsLine(m_doc.dcb, MODEM_DTR)) || (rts && HandshakeOwnsLine(m_doc.dcb, MODEM_RTS)))
        return;
    m_serial.QueueLineAction(action, waitMs);
}

std::size_t CSendPath::PacedBytesLeft() const
{
    if (m_doc.commMode == 0)
        return m_serial.PacedBytes();
    return IsIpMode() ? m_ip.PacedBytes() : 0;
}

void CSendPath::CancelPaste()
{
    if (m_doc.commMode == 0)
        m_serial.CancelOutput();
    else if (IsIpMode())
        m_ip.CancelOutput();
}

void CSendPath::SendPaced(const std::uint8_t* data, std::size_t length)
{
    SendTo(data, length, true);
}

void CSendPath::Send(const std::uint8_t* data, std::size_t length)
{
    SendTo(data, length, false);
}

bool CSendPath::CanSend() const
{
    return m_doc.commMode == 0 ? m_serial.IsOpen() : IpCanSend();
}

bool CSendPath::Accepting() const
{
    if (CanSend())
        return true;
    if (m_refused)
        m_refused();
    return false;
}

bool CSendPath::IsIpMode() const
{
    return m_doc.commMode >= 1 && m_doc.commMode <= 6;
}

bool CSendPath::IpCanSend() const
{
    const bool udp = m_doc.commMode == 3 || m_doc.commMode == 6;
    return IsIpMode() && (udp ? m_ip.IsListening() : m_ip.IsConnected());
}

void CSendPath::SendTo(const std::uint8_t* data, std::size_t length, bool paced)
{
    if (data == nullptr || length < 1)
        return;
    if (!Accepting())
        return;
    if (m_doc.commMode == 0) {
        if (paced)
            m_serial.WritePaced(data, length);
        else
            m_serial.Write(data, length);
        return;
    }
    if (paced)
        m_ip.SendPaced(data, length);
    else
        m_ip.Send(data, length);
}

} // namespace kestrelon
