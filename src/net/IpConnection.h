// One IP connection of the terminal or of the bridge: a TCP client, a TCP server
// serving one peer at a time, or a UDP endpoint. Its thread reports to the frame
// with WM_IP_MAIN / WM_IP_BRIDGE and the IP_* codes; its sender keeps outgoing
// bytes in order. Start, Stop and Send are called on the user-interface thread;
// Send and QueuedSendBytes also from a UDP file send's thread, which is joined
// before any Start or Stop.
#pragma once

#include "document/ReceiveCredit.h"
#include "net/ClientConnector.h"
#include "net/IP6Socket.h"
#include "net/IpSender.h"
#include "net/RemoteSerialLine.h"
#include "net/StopSignal.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace kestrelon {

class IMessageTarget;
class ISettingsStore;

// Connection modes served here (mode 0 is the serial port).
enum IpMode : std::uint32_t {
    MODE_IPV4_CLIENT = 1,
    MODE_IPV4_SERVER = 2,
    MODE_IPV4_UDP = 3,
    MODE_IPV6_CLIENT = 4,
    MODE_IPV6_SERVER = 5,
    MODE_IPV6_UDP = 6,
};

class CIpConnection {
public:
    static constexpr int RECEIVE_SIZE = 2000;
    static constexpr int SEND_SECONDS = 5;
    // The largest datagram payload over IPv4; longer sends go as several.
    static constexpr std::size_t DATAGRAM_MAX = 65507;
    // A received datagram is read whole, whatever its size: a shorter buffer
    // would cut it without a word.
    static constexpr int DATAGRAM_RECEIVE_SIZE = 65536;
    // Received blocks that may wait for the frame at once (128 KB of stream
    // data, at most 4 MB of datagrams): a flood then waits in the kernel's
    // socket buffer, not in our memory.
    static constexpr std::size_t BLOCKS_IN_FLIGHT = 64;

    CIpConnection();
    ~CIpConnection();
    CIpConnection(const CIpConnection&) = delete;
    CIpConnection& operator=(const CIpConnection&) = delete;

    // The SOCKS proxy an IPv4 client falls back to (empty host: none); read with
    // GetSocksProxy on the user-interface thread before Start.
    void SetProxy(std::string host, std::uint16_t port);
    // Where error texts of the connection's threads go (default: standard error).
    void SetDebugOutput(std::function<void(const std::string&)> output);
    // Resolver, name lookup, connect deadline and send queue limit of the next
    // Start (tests give a slow resolver or a short deadline here).
    void SetOptions(CIpOptions options);
    // This side of the next Start: the address a server listens on ("" for
    // every address) and the port a UDP endpoint is bound to (0: the remote port).
    void SetLocalEndpoint(std::string listenAddress, std::uint16_t udpLocalPort)
    {
        m_listenAddress = std::move(listenAddress);
        m_udpLocalPort = udpLocalPort;
    }

    // Stops what runs, then starts `mode` (1..6). Listening and datagram sockets
    // are made here: returns "" or the error text for the user (the socket is
    // then closed). Client errors come later as IP_FAILED.
    std::string Start(IMessageTarget& target, std::uint32_t message, std::string host, std::uint32_t port,
                      std::uint32_t mode);
    // Returns at once: wakes and joins the threads, abandons a name look-up
    // still running (its result is dropped), drops unsent bytes, and posts the
    // end code (IP_CLOSED, or IP_UDP_CLOSED) with the new generation. Nothing
    // the stopped run still reports carries the current generation.
    void Stop();

    // Closes the current TCP peer only (IP_CLOSED follows): a server goes back to
    // listening for the next one, a client ends.
    void DisconnectPeer();

    // Queues bytes for the peer (TCP) or for the configured host and port (UDP);
    // false, with nothing sent, when there is no peer or no open socket; false
    // too when the send queue could take only part or nothing (what did not fit
    // is dropped and reported once per episode as IP_SEND_OVERFLOW).
    // `paced`: the bytes leave with the pauses of SetPacing (pastes, keys, answers).
    bool Send(const void* data, std::size_t length, bool paced = false);
    // A pause in order with the bytes around it (a key's "\!WAIT"); false
    // without a peer or open socket.
    bool QueueWait(int ms);
    void SetPacing(const CPacing& pacing) { m_sender.SetPacing(pacing); }
    // Paced bytes still to be sent, and cancelling them with whatever else waits.
    std::size_t PacedBytes() const { return m_sender.PacedBytes(); }
    std::size_t CancelOutput() { return m_sender.Discard(); }
    // The run the notifications belong to (CMessage::generation); changes with
    // every Start and Stop.
    std::uint64_t Generation() const { return m_generation.load(); }

    // A TCP client that is a remote serial port (Telnet com-port option) from
    // the next Start on: its data is escaped both ways, the settings go to
    // the server once it takes the option, and its modem and line state come
    // as IP_MODEM_STATE and IP_LINE_STATE.
    void SetRemoteSerial(bool enabled, const CRemoteLineSettings& settings) { m_remote.Configure(enabled, settings); }
    bool IsRemoteSerial() const { return m_remote.Enabled() && IsClientMode(m_mode); }
    // A line action in order with the bytes around it; false without a peer.
    bool QueueLineAction(LineAction action, int waitMs);
    // The remote port's rate (an in-band command); false without a peer.
    bool SetRemoteBaudRate(std::uint32_t baud);

    // Hands the connected TCP socket to a file transfer: its descriptor once the
    // receiving thread has stopped reading it; -1 without a peer or when the
    // thread did not let go within timeoutMs (it waits for the frame to take
    // what it received). ReturnSocket gives it back to the thread.
    int LendSocket(int timeoutMs = 2000);
    void ReturnSocket();

    bool IsRunning() const;
    // A TCP peer is connected (client connected, or server peer accepted).
    bool IsConnected() const;
    // The listening (server) or datagram (UDP) socket is open.
    bool IsOpen() const;
    std::uint32_t Mode() const { return m_mode; }
    // Name of the connected server peer, "" without one.
    std::string PeerName() const;
    // Port the listening or datagram socket is bound to (useful with port 0).
    std::uint16_t LocalPort() const;
    std::size_t QueuedSendBytes() const { return m_sender.QueuedBytes(); }
    // Bytes Send takes now without a drop, and one IP_SEND_ROOM once the queue
    // has drained to half (at once when it has already).
    std::size_t SendRoom() const { return m_sender.Room(); }
    void WatchSendRoom() { m_sender.WatchRoom(); }
    // Sends that failed since the program started (each also posted as
    // IP_SEND_FAILED): a UDP file send stops at the first one.
    std::uint64_t SendFailures() const { return m_sendFailures.load(); }
    // The connection pane text of the running mode.
    std::string PaneText() const;

private:
    static bool IsClientMode(std::uint32_t mode) { return mode == MODE_IPV4_CLIENT || mode == MODE_IPV6_CLIENT; }
    static bool IsServerMode(std::uint32_t mode) { return mode == MODE_IPV4_SERVER || mode == MODE_IPV6_SERVER; }
    static bool IsUdpMode(std::uint32_t mode) { return mode == MODE_IPV4_UDP || mode == MODE_IPV6_UDP; }
    static int FamilyOf(std::uint32_t mode) { return mode >= MODE_IPV6_CLIENT ? AF_INET6 : AF_INET; }
    std::string OpenListeningSocket(int family, int type);
    // Remote serial port: the opening offers, the server's bytes taken apart,
    // its events posted, a held sender, the relay of a lent socket, and the
    // purge on close.
    void OpenRemote(const std::shared_ptr<CIP6Socket>& socket);
    void ReceiveRemote(CIP6Socket& socket, const std::uint8_t* bytes, int count);
    void PostRemoteEvent(const CRemoteEvent& event);
    void WaitWhileSuspended(CIP6Socket& socket);
    bool RelayWhileLent(CIP6Socket& socket);
    bool QueueRaw(std::vector<std::uint8_t> bytes);
    void PurgeOnClose();
    void PostModemState();
    void ClientThread();
    void ServerThread();
    void DatagramThread();
    // Receives until the peer closes or the socket fails; the code to post.
    // How a receive loop ended: IP_CLOSED or IP_FAILED, and the text the user
    // reads for it (empty for a close we asked for).
    struct CReceiveEnd {
        int code;
        std::string reason;
    };
    CReceiveEnd ReceiveLoop(CIP6Socket& socket);
    void PostEnd(const CReceiveEnd& end);
    // "Host not found" for a name that does not resolve, else the socket text.
    static std::string FailureText(const CIP6SocketException& error);
    // Receiving thread: waits while the socket is lent; false when stopped meanwhile.
    bool ParkWhileLent(CIP6Socket& socket);
    // The listening socket while peers beyond the one served are turned
    // away, else -1; and turning the one waiting away.
    int TurnAwayFd() const;
    void TurnAway();
    // The socket the frame's bytes go to now; null without one.
    std::shared_ptr<CIP6Socket> SendSocket() const;
    void Publish(const std::shared_ptr<CIP6Socket>& socket, std::string peerName);
    void Unpublish(const std::shared_ptr<CIP6Socket>& socket);
    void Post(int code, std::intptr_t lParam = 0, std::unique_ptr<CMessagePayload> payload = nullptr);
    void Debug(const std::string& text);
    // Sleeps up to `ms`, ending early when the connection is stopped.
    void Pause(int ms);
    void PeerArrived(const std::shared_ptr<CIP6Socket>& peer, CClientConnector& connector);
    void Deliver(CIP6Socket& socket, const std::vector<std::uint8_t>& bytes);
    void SendFailed(CIP6Socket& socket, const CIP6SocketException& error);
    std::string SenderName(const sockaddr_storage& from, socklen_t length);

    IMessageTarget* m_target = nullptr;
    std::uint32_t m_message = 0;
    std::string m_host;
    std::uint16_t m_port = 0;
    std::string m_listenAddress;
    std::uint16_t m_udpLocalPort = 0;
    std::uint32_t m_mode = 0;
    std::string m_proxyHost;
    std::uint16_t m_proxyPort = 0;
    std::function<void(const std::string&)> m_debug;
    CIpOptions m_options;
    std::shared_ptr<CStopSignal> m_stop = std::make_shared<CStopSignal>(); // one per run
    std::atomic<std::uint64_t> m_generation{0};
    std::atomic<std::uint64_t> m_sendFailures{0};
    std::uint64_t m_runGeneration = 0; // set before the run's threads start

    mutable std::mutex m_mutex;
    std::mutex m_postMutex; // orders the threads' posts against the stop
    bool m_running = false;
    bool m_stopping = false;
    bool m_connected = false;
    std::shared_ptr<CIP6Socket> m_listen; // server or datagram socket
    std::shared_ptr<CIP6Socket> m_peer;   // client socket or accepted peer
    std::string m_peerName;
    std::shared_ptr<CReceiveCredit> m_credit;

    // Used by the sender thread only: the resolved UDP destination.
    std::unique_ptr<CSocketAddress> m_udpTarget;
    // Used by the datagram thread only: the last sender and its name.
    sockaddr_storage m_lastSender{};
    socklen_t m_lastSenderLength = 0;
    std::string m_lastSenderName;

    // The socket lent to a file transfer; the eventfd wakes the receiving thread.
    std::mutex m_loanMutex;
    std::condition_variable m_loanChanged;
    bool m_loanWanted = false;  // guarded by m_loanMutex
    bool m_loanGranted = false; // guarded by m_loanMutex
    int m_loanWake = -1;

    CRemoteSerialLine m_remote;
    CTelnetOutput m_remoteOut; // the receiving thread's
    // The server's last modem-state byte and the DTR (0x100) and RTS (0x200)
    // we asked for: IP_MODEM_STATE carries both.
    std::atomic<int> m_remoteLines{0};
    int m_transferEnd = -1;    // the relay's end of a lent remote port, guarded by m_loanMutex
    int m_lentEnd = -1;        // the transfer's end

    CIpSender m_sender{CIpOptions::SEND_QUEUE_LIMIT};
    std::thread m_thread;
};

// The connection mode of a bridge mode: 0 IPv4 client, 1 IPv4 server, 2 IPv6
// client, 3 IPv6 server; 0 for anything else.
std::uint32_t BridgeToConnectionMode(std::uint32_t bridgeMode);

// Terminal connection (modes 1..6) reporting with WM_IP_MAIN; IPv4 clients use
// the SOCKS proxy found in `internetSettings`. Returns "" or the error text.
std::string StartTerminalConnection(CIpConnection& connection, IMessageTarget& target, std::uint32_t commMode,
                                    const std::string& host, std::uint32_t port,
                                    const ISettingsStore* internetSettings);
// Bridge connection (bridge modes 0..3) reporting with WM_IP_BRIDGE.
std::string StartBridgeConnection(CIpConnection& connection, IMessageTarget& target, std::uint32_t bridgeMode,
                                  const std::string& host, std::uint32_t port, const ISettingsStore* internetSettings);

// "IPv4 TCP Client host:23", "IPv6 TCP Server - peer", "IPv4 TCP Server 23" ...;
// "" for a mode that is not an IP mode.
std::string ConnectionPaneText(std::uint32_t mode, const std::string& host, std::uint32_t port,
                               const std::string& peerName);

} // namespace kestrelon
