// The client side of a remote serial port over Telnet: option negotiation,
// IAC escaping both ways, and the com-port commands (line settings, control
// lines, modem and line state). It does no I/O: fed the server's bytes it
// answers with the plain data, the bytes to send back and what happened.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kestrelon {

// The line settings a remote port is asked for, in the document's terms.
struct CRemoteLineSettings {
    std::uint32_t baud = 9600;
    std::uint8_t dataBits = 8;
    std::uint8_t parity = 0;   // 0 none, 1 odd, 2 even, 3 mark, 4 space
    std::uint8_t stopBits = 0; // 0 one, 1 one and a half, 2 two
    bool hardwareFlow = false;
    bool operator==(const CRemoteLineSettings&) const = default;
};

// What the server told us, in arrival order with the data around it.
enum class ERemoteEvent : std::uint8_t {
    Accepted,   // the server takes com-port commands
    Refused,    // it does not: raw bytes only (said once per connection)
    ModemState, // value: the server's modem-state byte (CD 0x80, RI 0x40, DSR 0x20, CTS 0x10)
    LineState,  // value: the server's line-state byte (break, framing, parity, overrun bits)
    Suspend,    // the server asks us to stop sending
    Resume,
};
struct CRemoteEvent {
    ERemoteEvent kind;
    std::uint8_t value = 0;
    bool operator==(const CRemoteEvent&) const = default;
};

// What one Feed produced; the vectors keep their room between feeds.
struct CTelnetOutput {
    std::vector<std::uint8_t> data;  // bytes of the serial line, unescaped
    std::vector<std::uint8_t> reply; // negotiation answers, to go to the server now
    std::vector<CRemoteEvent> events;
    void Clear()
    {
        data.clear();
        reply.clear();
        events.clear();
    }
};

// Control values of the com-port SET-CONTROL command.
enum class ERemoteControl : std::uint8_t {
    NoFlow = 1,
    SoftwareFlow = 2,
    HardwareFlow = 3,
    BreakOn = 5,
    BreakOff = 6,
    DtrOn = 8,
    DtrOff = 9,
    RtsOn = 11,
    RtsOff = 12,
};

class CTelnetComPort {
public:
    static constexpr std::uint8_t IAC = 255;
    static constexpr std::uint8_t DONT = 254;
    static constexpr std::uint8_t DO = 253;
    static constexpr std::uint8_t WONT = 252;
    static constexpr std::uint8_t WILL = 251;
    static constexpr std::uint8_t SB = 250;
    static constexpr std::uint8_t SE = 240;
    static constexpr std::uint8_t OPT_BINARY = 0;
    static constexpr std::uint8_t OPT_SGA = 3;
    static constexpr std::uint8_t OPT_COM_PORT = 44;
    // The longest subnegotiation a com-port server sends is a signature text;
    // anything longer is cut here, not kept growing with a hostile stream.
    static constexpr std::size_t SUBNEGOTIATION_MAX = 256;
    // Server answers carry the client's command number plus this.
    static constexpr std::uint8_t SERVER_OFFSET = 100;

    // The opening offers of a connection (binary both ways, no go-ahead, the
    // com-port option), and the settings to send once the server accepts.
    std::vector<std::uint8_t> Start(const CRemoteLineSettings& settings);
    void Feed(const std::uint8_t* bytes, std::size_t length, CTelnetOutput& out);

    // Data for the server with every IAC doubled, appended to `out`.
    static void Escape(const std::uint8_t* bytes, std::size_t length, std::vector<std::uint8_t>& out);
    // Commands; empty while the server has not accepted the option (a refused
    // server keeps the raw connection, and a change made before it answered
    // is sent with the settings once it does).
    std::vector<std::uint8_t> SetBaudRate(std::uint32_t baud);
    std::vector<std::uint8_t> Control(ERemoteControl value);
    // Discards both directions' queued bytes on the server; sent on open and close.
    std::vector<std::uint8_t> Purge();

    // A server that has not answered the opening in time speaks no Telnet:
    // from here on bytes pass unchanged both ways. True the first time.
    bool GiveUp();
    bool Raw() const { return m_raw; }

    bool Accepted() const { return m_state == EOptionState::Accepted; }
    bool Refused() const { return m_state == EOptionState::Refused; }
    // The server has asked us to hold our data (FLOWCONTROL-SUSPEND).
    bool Suspended() const { return m_suspended; }

private:
    enum class EParse : std::uint8_t { Data, Iac, Option, Sub, SubIac };
    enum class EOptionState : std::uint8_t { Asked, Accepted, Refused };

    void FeedIac(std::uint8_t byte, CTelnetOutput& out);
    void Negotiate(std::uint8_t verb, std::uint8_t option, CTelnetOutput& out);
    void SubnegotiationEnd(CTelnetOutput& out);
    void ComPortAnswer(CTelnetOutput& out);
    void AppendSettings(std::vector<std::uint8_t>& out) const;

    EParse m_parse = EParse::Data;
    std::uint8_t m_verb = 0;
    EOptionState m_state = EOptionState::Asked;
    bool m_refusalSaid = false;
    bool m_suspended = false;
    bool m_raw = false;
    // Options each side has agreed to, so a repeated offer is not answered
    // again (answering every offer would loop with some servers).
    std::uint32_t m_weAgreed = 0;   // bits by option number < 32: our WILL
    std::uint32_t m_theyAgreed = 0; // their WILL that we answered with DO
    CRemoteLineSettings m_settings;
    std::uint8_t m_sub[SUBNEGOTIATION_MAX] = {};
    std::size_t m_subLength = 0;
    bool m_subCut = false;
};

} // namespace kestrelon
