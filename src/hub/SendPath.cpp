// CSendPath: conversions, local echo and the choice of connection.
#include "hub/SendPath.h"

#include "document/DecodeText.h"
#include "hub/HubLinks.h"
#include "document/KestronDoc.h"

namespace kestrelon {

CSendPath::CSendPath(CKestronDoc& doc, ISerialLink& serial, IIpLink& ip) : m_doc(doc), m_serial(serial), m_ip(ip)
{
}

void CSendPath::TypedCharacter(std::uint8_t c)
{
    const bool crLf = c == 13 && m_doc.crToCrLfOnSend;
    if (m_doc.localEcho) {
        m_doc.AddByte(c, m_doc.sendColour);
        if (c == 8) {
            m_doc.AddByte(32, m_doc.sendColour);
            m_doc.AddByte(8, m_doc.sendColour);
        }
        if (crLf)
            m_doc.AddByte(10, m_doc.sendColour);
    }
    const std::uint8_t bytes[2] = {c, 10};
    Send(bytes, crLf ? 2 : 1);
}

void CSendPath::SendText(std::string_view text)
{
    if (text.empty())
        return;
    const std::vector<std::uint8_t> bytes = DecodeText(text, SEND_TEXT_LIMIT, m_doc.crToCrLfOnSend);
    if (bytes.empty())
        return;
    if (m_doc.localEcho)
        for (std::uint8_t b : bytes)
            m_doc.AddByte(b, m_doc.sendColour);
    Send(bytes.data(), bytes.size());
}

void CSendPath::Send(const std::uint8_t* data, std::size_t length)
{
    if (data == nullptr || length < 1)
        return;
    switch (m_doc.commMode) {
    case 0:
        if (m_serial.IsOpen())
            m_serial.Write(data, length);
        else if (m_serialRefused)
            m_serialRefused();
        break;
    case 1:
    case 2:
    case 4:
    case 5:
        if (m_ip.IsConnected())
            m_ip.Send(data, length);
        break;
    case 3:
    case 6:
        if (m_ip.IsListening())
            m_ip.Send(data, length);
        break;
    default:
        break; // a mode no connection serves
    }
}

} // namespace kestrelon
