// In-band commands: short texts a device embeds in its data, "[KESTRON:..."
// up to CR or LF, to change the line rate, start or stop logging, or ask for
// the time. The scanner collects them inside the receive path; the parser says
// what a collected text asks for; the data hub carries it out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

namespace kestrelon {

// The longest command worth keeping. The longest real one is the speed command
// with a rate written in hex or with leading zeros; anything longer is junk from
// a device that never sends the closing CR or LF, and it must not grow memory
// without bound while it hides the data that follows.
constexpr std::size_t MAX_INBAND_TEXT = 256;

class CInbandScanner {
public:
    bool IsActive() const { return m_inbandActive; }
    // The byte that opens a command: collecting starts afresh.
    void Begin();
    // Feeds one byte while collecting. True when it ended the command (CR or LF);
    // collecting has then stopped and Text() holds the command.
    bool Collect(std::uint8_t byte);
    // The collected text; it stays until the next opening bracket.
    std::string& Text() { return m_inbandText; }
    // The text ran past MAX_INBAND_TEXT: the command will be ignored.
    bool Overflowed() const { return m_overflow; }

private:
    bool m_inbandActive = false;
    bool m_overflow = false;
    std::string m_inbandText;
};

enum class InbandAction { None, SetComSpeed, LogStart, LogStop, TimeUtc };

struct CInbandCommand {
    InbandAction action = InbandAction::None;
    std::uint32_t baudRate = 0; // SetComSpeed only
    bool operator==(const CInbandCommand&) const = default;
};

// Upper-cases `text` in place and tells what it asks for. A speed command is
// only returned for one of the rates of the baud table.
CInbandCommand ParseInbandCommand(std::string& text);

// The reply to the time request: UTC as "2018-09-26 11:33:33".
std::string FormatUtcTime(std::time_t now);

} // namespace kestrelon
