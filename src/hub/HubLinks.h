// The two connections as the data hub drives them: the serial driver and the
// main IP connection. The hub talks to them only through these interfaces, so
// it runs the same over the real drivers and over recording doubles.
#pragma once

#include "document/DecodeText.h"
#include "document/WinRecords.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

namespace kestrelon {

// The embedded serial driver. Open and SetBaudRate answer later with the
// notifications TC_PORT_OPENED or TC_PORT_FAILED.
class ISerialLink {
public:
    virtual ~ISerialLink() = default;
    virtual void Open(std::uint32_t port, const DCB& dcb) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // The line settings in use; false while no port is open.
    virtual bool GetState(DCB& dcb) const = 0;
    virtual void SetBaudRate(std::uint32_t baud) = 0;
    // Queues the bytes for the driver thread, which writes them in order.
    virtual void Write(const std::uint8_t* data, std::size_t length) = 0;
    // The same, one byte at a time with the pacing pauses (pastes, keys, answers).
    virtual void WritePaced(const std::uint8_t* data, std::size_t length) { Write(data, length); }
    // A line action in order with the bytes queued around it.
    virtual void QueueLineAction(LineAction /*action*/, int /*waitMs*/) {}
    virtual void SetPacing(int /*charDelayMs*/, int /*lineDelayMs*/) {}
    // Paced bytes still to be written, and cancelling them (with whatever else waits).
    virtual std::size_t PacedBytes() const { return 0; }
    virtual void CancelOutput() {}
    // Bytes Write takes now without a drop, and one TC_SEND_ROOM once the
    // queue has drained to half (at once when it has already).
    virtual std::size_t SendRoom() const { return std::numeric_limits<std::size_t>::max(); }
    virtual void WatchSendRoom() {}
    // Ends the driver thread; the port is closed.
    virtual void Quit() = 0;
    // The open its notifications carry (CMessage::generation); 0 when the link
    // does not stamp them.
    virtual std::uint64_t Generation() const { return 0; }
};

// The main IP connection: the listening or datagram socket of the server and
// UDP modes, and the connected TCP socket the frame sends on.
class IIpLink {
public:
    virtual ~IIpLink() = default;
    // Starts the connection of mode 1 to 6 (closing whatever ran before). A
    // listening or datagram socket that cannot be set up returns false with the
    // error text; connection threads report later with WM_IP_MAIN.
    virtual bool Start(std::uint32_t mode, const std::string& host, std::uint32_t port, std::string& error) = 0;
    // Closes the listening or datagram socket and the connected socket.
    virtual void Stop() = 0;
    // Closes only the connected TCP socket; a server keeps listening.
    virtual void CloseConnection() = 0;
    virtual bool IsListening() const = 0; // listening (TCP server) or bound (UDP)
    virtual bool IsConnected() const = 0; // a TCP peer is connected
    // The connection threads' notifications that change what the link holds.
    virtual void OnConnected(std::intptr_t handle) = 0;
    virtual void OnDisconnected() = 0;
    // Sends over the connected socket (TCP) or to the configured host (UDP);
    // dropped silently without a connection. Failures come back as IP_SEND_FAILED.
    virtual void Send(const std::uint8_t* data, std::size_t length) = 0;
    // The same, with the pacing pauses (pastes, keys, answers).
    virtual void SendPaced(const std::uint8_t* data, std::size_t length) { Send(data, length); }
    // A pause in order with the bytes around it; the only line action a
    // socket has.
    virtual void QueueWait(int /*ms*/) {}
    virtual void SetPacing(int /*charDelayMs*/, int /*lineDelayMs*/) {}
    // Paced bytes still to be sent, and cancelling them (with whatever else waits).
    virtual std::size_t PacedBytes() const { return 0; }
    virtual void CancelOutput() {}
    // Bytes Send takes now without a drop, and one IP_SEND_ROOM once the
    // queue has drained to half (at once when it has already).
    virtual std::size_t SendRoom() const { return std::numeric_limits<std::size_t>::max(); }
    virtual void WatchSendRoom() {}
    // Name of the connected TCP peer, empty without one.
    virtual std::string PeerName() const = 0;
    // The run its notifications carry (CMessage::generation); 0 when the link
    // does not stamp them.
    virtual std::uint64_t Generation() const { return 0; }
};

} // namespace kestrelon
