// A TCP client connection that is a remote serial port: the Telnet com-port
// engine shared by the receiving thread, the user-interface thread (line
// actions) and the sender, and the relay that gives a file transfer a plain
// byte stream while the Telnet line carries it escaped.
#pragma once

#include "document/DecodeText.h"
#include "net/TelnetComPort.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace kestrelon {

class CIP6Socket;

class CRemoteSerialLine {
public:
    // Set on the user-interface thread before a connection starts.
    void Configure(bool enabled, const CRemoteLineSettings& settings);
    bool Enabled() const { return m_enabled; }

    // The opening bytes of a new connection; the engine starts afresh.
    std::vector<std::uint8_t> Open();
    // The server's bytes: plain data, answers and events in `out`.
    void Feed(const std::uint8_t* bytes, std::size_t length, CTelnetOutput& out);
    // Data for the server, IAC doubled (unless the server speaks no Telnet).
    std::vector<std::uint8_t> Escape(const void* data, std::size_t length) const;
    // The commands of a line action (empty for a wait, or while the server
    // has not taken the option); a break is its start and its end.
    std::vector<std::uint8_t> LineCommand(LineAction action);
    std::vector<std::uint8_t> BreakEnd();
    std::vector<std::uint8_t> BaudRate(std::uint32_t baud);
    std::vector<std::uint8_t> Purge();
    // The server has taken or refused the option.
    bool Answered() const;
    // See CTelnetComPort::GiveUp.
    bool GiveUp();
    // The server asked us to hold our data.
    bool Suspended() const { return m_suspended.load(); }

    // While a file transfer holds `transferEnd` (one end of a socket pair),
    // moves bytes between it and the server: received data unescaped towards
    // the transfer, the transfer's bytes escaped towards the server. Returns
    // when `wakeFd` is readable and `lent` says the loan is over (true), or
    // when the server's socket fails or closes (false). `events` gets every
    // event seen meanwhile.
    bool Relay(CIP6Socket& socket, int transferEnd, int wakeFd, const std::function<bool()>& lent,
               const std::function<void(const CRemoteEvent&)>& events);

private:
    bool RelayFromServer(CIP6Socket& socket, int transferEnd, int wakeFd,
                         const std::function<void(const CRemoteEvent&)>& events);
    // The bytes relayed, -1 when the server's socket failed; `open` turns
    // false when the transfer's end has closed.
    long RelayToServer(CIP6Socket& socket, int transferEnd, bool& open);

    bool m_enabled = false;
    CRemoteLineSettings m_settings;
    mutable std::mutex m_mutex; // guards the engine
    CTelnetComPort m_engine;
    std::atomic<bool> m_suspended{false};
    CTelnetOutput m_relayOut;
};

} // namespace kestrelon
