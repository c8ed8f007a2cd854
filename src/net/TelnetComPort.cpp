// CTelnetComPort: a byte-at-a-time Telnet parser (data runs are copied whole)
// and the builders of the com-port commands.
#include "net/TelnetComPort.h"

#include <cstring>

namespace kestrelon {

namespace {

// Client command numbers of the com-port option.
enum ComPortCommand : std::uint8_t {
    CPC_SET_BAUDRATE = 1,
    CPC_SET_DATASIZE = 2,
    CPC_SET_PARITY = 3,
    CPC_SET_STOPSIZE = 4,
    CPC_SET_CONTROL = 5,
    CPC_NOTIFY_LINESTATE = 6,
    CPC_NOTIFY_MODEMSTATE = 7,
    CPC_FLOWCONTROL_SUSPEND = 8,
    CPC_FLOWCONTROL_RESUME = 9,
    CPC_SET_LINESTATE_MASK = 10,
    CPC_SET_MODEMSTATE_MASK = 11,
    CPC_PURGE_DATA = 12,
};

// Line-state bits worth hearing about: break, framing, parity, overrun. The
// transmitter and data-ready bits change with every byte and would flood us.
constexpr std::uint8_t LINESTATE_MASK = 0x1E;
// Every modem line and its change bit.
constexpr std::uint8_t MODEMSTATE_MASK = 0xFF;
constexpr std::uint8_t PURGE_BOTH = 3;

constexpr std::uint32_t Bit(std::uint8_t option) { return option < 32 ? 1u << option : 0u; }

bool IsOurOption(std::uint8_t option)
{
    return option == CTelnetComPort::OPT_BINARY || option == CTelnetComPort::OPT_SGA;
}

void AppendCommand(std::vector<std::uint8_t>& out, std::uint8_t command, const std::uint8_t* value, std::size_t length)
{
    const std::uint8_t head[] = {CTelnetComPort::IAC, CTelnetComPort::SB, CTelnetComPort::OPT_COM_PORT, command};
    out.insert(out.end(), head, head + sizeof head);
    CTelnetComPort::Escape(value, length, out);
    out.push_back(CTelnetComPort::IAC);
    out.push_back(CTelnetComPort::SE);
}

void AppendCommand(std::vector<std::uint8_t>& out, std::uint8_t command, std::uint8_t value)
{
    AppendCommand(out, command, &value, 1);
}

// The rate goes as four bytes, most significant first.
void AppendBaud(std::vector<std::uint8_t>& out, std::uint32_t baud)
{
    const std::uint8_t rate[] = {static_cast<std::uint8_t>(baud >> 24), static_cast<std::uint8_t>(baud >> 16),
                                 static_cast<std::uint8_t>(baud >> 8), static_cast<std::uint8_t>(baud)};
    AppendCommand(out, CPC_SET_BAUDRATE, rate, sizeof rate);
}

void AppendVerb(std::vector<std::uint8_t>& out, std::uint8_t verb, std::uint8_t option)
{
    out.push_back(CTelnetComPort::IAC);
    out.push_back(verb);
    out.push_back(option);
}

} // namespace

std::vector<std::uint8_t> CTelnetComPort::Start(const CRemoteLineSettings& settings)
{
    *this = CTelnetComPort();
    m_settings = settings;
    std::vector<std::uint8_t> out;
    // Binary both ways, so every byte passes as it is (no CR NUL padding), and
    // no go-ahead: the line is full duplex.
    for (const std::uint8_t option : {OPT_BINARY, OPT_SGA}) {
        AppendVerb(out, WILL, option);
        AppendVerb(out, DO, option);
    }
    m_weAgreed = m_theyAgreed = Bit(OPT_BINARY) | Bit(OPT_SGA);
    AppendVerb(out, WILL, OPT_COM_PORT);
    return out;
}

void CTelnetComPort::Escape(const std::uint8_t* bytes, std::size_t length, std::vector<std::uint8_t>& out)
{
    const std::uint8_t* end = bytes + length;
    while (bytes < end) {
        const auto* iac = static_cast<const std::uint8_t*>(std::memchr(bytes, IAC, static_cast<std::size_t>(end - bytes)));
        const std::uint8_t* runEnd = iac != nullptr ? iac + 1 : end;
        out.insert(out.end(), bytes, runEnd);
        if (iac != nullptr)
            out.push_back(IAC);
        bytes = runEnd;
    }
}

bool CTelnetComPort::GiveUp()
{
    if (m_state != EOptionState::Asked)
        return false;
    m_state = EOptionState::Refused;
    m_refusalSaid = true;
    m_raw = true;
    return true;
}

void CTelnetComPort::Feed(const std::uint8_t* bytes, std::size_t length, CTelnetOutput& out)
{
    if (m_raw) {
        out.data.insert(out.data.end(), bytes, bytes + length);
        return;
    }
    const std::uint8_t* end = bytes + length;
    while (bytes < end) {
        if (m_parse == EParse::Data) {
            // Plain data is copied in runs up to the next IAC.
            const auto* iac =
                static_cast<const std::uint8_t*>(std::memchr(bytes, IAC, static_cast<std::size_t>(end - bytes)));
            const std::uint8_t* runEnd = iac != nullptr ? iac : end;
            out.data.insert(out.data.end(), bytes, runEnd);
            bytes = runEnd;
            if (iac != nullptr) {
                m_parse = EParse::Iac;
                ++bytes;
            }
            continue;
        }
        const std::uint8_t byte = *bytes++;
        switch (m_parse) {
        case EParse::Iac:
            FeedIac(byte, out);
            break;
        case EParse::Option:
            m_parse = EParse::Data;
            Negotiate(m_verb, byte, out);
            break;
        case EParse::Sub:
            if (byte == IAC) {
                m_parse = EParse::SubIac;
            } else if (m_subLength < SUBNEGOTIATION_MAX) {
                m_sub[m_subLength++] = byte;
            } else {
                m_subCut = true;
            }
            break;
        case EParse::SubIac:
            if (byte == IAC) {
                m_parse = EParse::Sub;
                if (m_subLength < SUBNEGOTIATION_MAX)
                    m_sub[m_subLength++] = IAC;
                else
                    m_subCut = true;
            } else if (byte == SE) {
                m_parse = EParse::Data;
                SubnegotiationEnd(out);
            } else {
                // A command inside a subnegotiation ends it unfinished: the
                // half-read answer is dropped and the command taken as such.
                FeedIac(byte, out);
            }
            break;
        case EParse::Data:
            break;
        }
    }
}

void CTelnetComPort::FeedIac(std::uint8_t byte, CTelnetOutput& out)
{
    m_parse = EParse::Data;
    switch (byte) {
    case IAC:
        out.data.push_back(IAC);
        break;
    case DO:
    case DONT:
    case WILL:
    case WONT:
        m_verb = byte;
        m_parse = EParse::Option;
        break;
    case SB:
        m_parse = EParse::Sub;
        m_subLength = 0;
        m_subCut = false;
        break;
    default:
        break; // NOP, go-ahead, data mark ...: nothing for a serial line
    }
}

void CTelnetComPort::Negotiate(std::uint8_t verb, std::uint8_t option, CTelnetOutput& out)
{
    switch (verb) {
    case DO:
        if (option == OPT_COM_PORT) {
            if (m_state == EOptionState::Accepted)
                return;
            m_state = EOptionState::Accepted;
            out.events.push_back({ERemoteEvent::Accepted});
            AppendSettings(out.reply);
        } else if (IsOurOption(option)) {
            if ((m_weAgreed & Bit(option)) == 0)
                AppendVerb(out.reply, WILL, option);
            m_weAgreed |= Bit(option);
        } else {
            AppendVerb(out.reply, WONT, option);
        }
        return;
    case DONT:
        if (option == OPT_COM_PORT) {
            m_state = EOptionState::Refused;
            if (!m_refusalSaid)
                out.events.push_back({ERemoteEvent::Refused});
            m_refusalSaid = true;
        } else if ((m_weAgreed & Bit(option)) != 0) {
            m_weAgreed &= ~Bit(option);
            AppendVerb(out.reply, WONT, option);
        }
        return;
    case WILL:
        if (IsOurOption(option)) {
            if ((m_theyAgreed & Bit(option)) == 0)
                AppendVerb(out.reply, DO, option);
            m_theyAgreed |= Bit(option);
        } else {
            AppendVerb(out.reply, DONT, option);
        }
        return;
    case WONT:
        if ((m_theyAgreed & Bit(option)) != 0) {
            m_theyAgreed &= ~Bit(option);
            AppendVerb(out.reply, DONT, option);
        }
        return;
    default:
        return;
    }
}

void CTelnetComPort::SubnegotiationEnd(CTelnetOutput& out)
{
    if (m_subCut || m_subLength < 2 || m_sub[0] != OPT_COM_PORT)
        return;
    ComPortAnswer(out);
}

void CTelnetComPort::ComPortAnswer(CTelnetOutput& out)
{
    const std::uint8_t command = m_sub[1];
    if (command < SERVER_OFFSET)
        return;
    const bool hasValue = m_subLength >= 3;
    switch (command - SERVER_OFFSET) {
    case CPC_NOTIFY_LINESTATE:
        if (hasValue)
            out.events.push_back({ERemoteEvent::LineState, m_sub[2]});
        break;
    case CPC_NOTIFY_MODEMSTATE:
        if (hasValue)
            out.events.push_back({ERemoteEvent::ModemState, m_sub[2]});
        break;
    case CPC_FLOWCONTROL_SUSPEND:
        m_suspended = true;
        out.events.push_back({ERemoteEvent::Suspend});
        break;
    case CPC_FLOWCONTROL_RESUME:
        m_suspended = false;
        out.events.push_back({ERemoteEvent::Resume});
        break;
    default:
        break; // confirmations of what we set: the settings are ours already
    }
}

void CTelnetComPort::AppendSettings(std::vector<std::uint8_t>& out) const
{
    AppendBaud(out, m_settings.baud);
    AppendCommand(out, CPC_SET_DATASIZE, m_settings.dataBits);
    // The protocol counts parity from 1 (none) in the document's order.
    AppendCommand(out, CPC_SET_PARITY, static_cast<std::uint8_t>(m_settings.parity + 1));
    // Stop sizes: 1 one, 2 two, 3 one and a half.
    static constexpr std::uint8_t kStopSize[] = {1, 3, 2};
    AppendCommand(out, CPC_SET_STOPSIZE, kStopSize[m_settings.stopBits < 3 ? m_settings.stopBits : 0]);
    const ERemoteControl flow = m_settings.hardwareFlow ? ERemoteControl::HardwareFlow : ERemoteControl::NoFlow;
    AppendCommand(out, CPC_SET_CONTROL, static_cast<std::uint8_t>(flow));
    AppendCommand(out, CPC_SET_LINESTATE_MASK, LINESTATE_MASK);
    AppendCommand(out, CPC_SET_MODEMSTATE_MASK, MODEMSTATE_MASK);
    AppendCommand(out, CPC_PURGE_DATA, PURGE_BOTH);
}

std::vector<std::uint8_t> CTelnetComPort::SetBaudRate(std::uint32_t baud)
{
    m_settings.baud = baud;
    std::vector<std::uint8_t> out;
    if (Accepted())
        AppendBaud(out, baud);
    return out;
}

std::vector<std::uint8_t> CTelnetComPort::Control(ERemoteControl value)
{
    std::vector<std::uint8_t> out;
    if (Accepted())
        AppendCommand(out, CPC_SET_CONTROL, static_cast<std::uint8_t>(value));
    return out;
}

std::vector<std::uint8_t> CTelnetComPort::Purge()
{
    std::vector<std::uint8_t> out;
    if (Accepted())
        AppendCommand(out, CPC_PURGE_DATA, PURGE_BOTH);
    return out;
}

} // namespace kestrelon
