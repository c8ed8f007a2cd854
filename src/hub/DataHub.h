// The data hub: where connections, the terminal document and the views meet.
// The main frame owns one and passes it every driver and view notification; the
// hub cuts received data for the views, scans it for in-band commands and hands
// it to the answer matcher, the GPS bar and the bridge, sends what the user
// types, starts and stops the connection, logs, and reports connection faults.
// Plain C++: everything it needs from the window goes through IHubWindow.
#pragma once

#include "automation/Bridge.h"
#include "hub/DataLogger.h"
#include "hub/ConnectionControl.h"
#include "hub/HubLinks.h"
#include "hub/ReceivePath.h"
#include "hub/SendPath.h"
#include "document/LocalEndpoint.h"
#include "document/Pacing.h"
#include "document/Messages.h"
#include "document/TimeStamp.h"
#include "framework/MessageCarrier.h"
#include "transfer/ReceiverRequest.h"

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace kestrelon {

class CIpConnection;
class CKesFileDriver;
class CKestronDoc;
class IHubWindow;
class ISettingsStore;

class CDataHub : private IReceiveEvents {
public:
    using BlockHook = std::function<void(const std::uint8_t* data, std::size_t length)>;
    using MessageHook = std::function<std::intptr_t(CMessage& message)>;

    // The program's hub: the real serial driver and IP connection, both
    // reporting to `frame`, which passes their messages back to HandleMessage.
    CDataHub(CKestronDoc& doc, IHubWindow& window, ISettingsStore& settings, IMessageTarget& frame);
    // A hub over given connections.
    CDataHub(CKestronDoc& doc, IHubWindow& window, IMessageTarget& frame, std::unique_ptr<ISerialLink> serial,
             std::unique_ptr<IIpLink> ip);
    // Ends the serial driver, closes the sockets, flushes and closes the log.
    // It waits for the driver thread, which may be waiting to deliver received
    // data: close the frame's message target first (that releases it).
    ~CDataHub() override;
    CDataHub(const CDataHub&) = delete;
    CDataHub& operator=(const CDataHub&) = delete;

    // WM_TERMINAL, WM_TRANSFER, WM_IP_MAIN and WM_IP_BRIDGE; 0 for anything else.
    std::intptr_t HandleMessage(CMessage& message);

    // --- Data -------------------------------------------------------------------
    void ProcessReceived(const std::uint8_t* data, std::size_t length, COLORREF colour);
    void TypedCharacter(std::uint8_t c);
    // Clipboard text, sent paced as if typed; Escape typed meanwhile cancels it.
    void Paste(const std::uint8_t* data, std::size_t length);
    void SendText(std::string_view text);
    void Send(const std::uint8_t* data, std::size_t length);

    // --- Control lines (serial) and pacing ----------------------------------------
    // Lines > DTR, RTS, Send Break: queued behind what is being sent.
    void SendLineAction(LineAction action) { m_send.SendLineAction(action); }
    // A script's bytes, echoed like typed text; a script's new line rate.
    void SendScripted(const std::uint8_t* data, std::size_t length);
    void SetLineRate(std::uint32_t baud);
    // As last read from the open port; see IHubWindow::ShowModemLines.
    int ModemLines() const { return m_modemLines; }
    void SetPacing(const CPacing& pacing);
    // This side of the main IP connection, from its next start on.
    void SetLocalEndpoint(const CLocalEndpoint& endpoint)
    {
        m_ipConnection->SetLocalEndpoint(endpoint.listenAddress, endpoint.udpLocalPort);
    }
    std::size_t PacedBytesLeft() const { return m_send.PacedBytesLeft(); }
    void CancelPaste() { m_send.CancelPaste(); }

    // A line of the terminal's own ("Device removed: ...") in every view and the
    // log, in the error colour, on a line of its own; see ShowOwnText.
    void ShowLine(const std::string& text);

    // --- Connection -------------------------------------------------------------
    void ApplyConnection();
    void ToggleConnection();
    bool IsConnectionOpen() const;
    ISerialLink& SerialLink() { return *m_serialDriver; }
    IIpLink& IpLink() { return *m_ipConnection; }
    // The embedded serial driver, for file transfers; null over other links.
    CKesFileDriver* SerialDriver();
    // The real IP connection, for file transfers; null over other links.
    CIpConnection* IpConnection();
    // A file transfer owns the line: typed and sent text is dropped meanwhile.
    bool IsTransferRunning();
    const std::string& PeerText() const { return m_control.PeerText(); }
    // 0 idle, 1 raw file send over IP, 2 XModem-family transfer over IP (whose
    // engine takes the received data itself).
    void SetIpSendState(int state) { m_ipSendState = state; }
    int IpSendState() const { return m_ipSendState; }
    // Toggle > Bridge Mode; applying connection settings leaves the bridge alone.
    void SetBridgeEnabled(bool enabled) { m_bridge.SetEnabled(enabled); }
    bool IsBridgeEnabled() const { return m_bridge.IsEnabled(); }
    CBridge& Bridge() { return m_bridge; }

    // --- Logging ----------------------------------------------------------------
    // File > Logging after its file dialog; a failure is reported.
    bool StartLogging(const std::string& path);
    void StopLogging();
    bool IsLogging() const { return m_logger.IsLogging(); }
    std::string LogPath() const { return m_logger.Path(); }
    // The name the file dialog proposes.
    std::string DefaultLogFileName() const { return CDataLogger::DefaultFileName(m_clock()); }
    // Where an in-band start creates its log: the directory of the last log
    // started from the menu; empty (the default): the home directory.
    void SetLogDirectory(std::string directory) { m_logDirectory = std::move(directory); }
    const std::string& LogDirectory() const { return m_logDirectory; }

    // --- Hooks of other parts ---------------------------------------------------
    // Every received block while automatic answers are on.
    void SetAnswerMatcher(BlockHook matcher) { m_answerMatcher = std::move(matcher); }
    // Every block the device sent, for the bridge connection (it drops what it
    // cannot send); by default the hub's own bridge.
    void SetBridgeForward(BlockHook forward) { m_bridgeForward = std::move(forward); }
    // Received IP data while an XModem-family transfer over IP owns it
    // (IpSendState 2): it goes to the transfer, not to the views.
    void SetIpTransferReceiver(BlockHook receiver) { m_ipTransferReceiver = std::move(receiver); }
    // Every block the device sent, for a running script.
    void SetScriptFeed(BlockHook feed) { m_scriptFeed = std::move(feed); }
    // "\!SCRIPT=" in a key or answer text.
    void SetScriptStarter(std::function<void(const std::string&)> starter)
    {
        m_send.SetScriptStarter(std::move(starter));
    }
    // WM_IP_BRIDGE messages; by default the hub's own bridge.
    void SetBridgeHandler(MessageHook handler) { m_bridgeHandler = std::move(handler); }
    // WM_TRANSFER messages, before the hub reports file errors.
    void SetTransferHandler(MessageHook handler) { m_transferHandler = std::move(handler); }
    // Ends whatever transfer runs, its thread joined, before a connection is
    // closed or replaced (apply, toggle, a new or opened document): no engine
    // may be left on a descriptor that closes under it. By default the serial
    // driver's transfer alone is ended (the IP transfer lives in the window).
    void SetTransferEnder(std::function<void()> ender) { m_transferEnder = std::move(ender); }
    // The receiver's request ('C' or NAK) the device sent last, if fresh; 0
    // otherwise. Used up by the call: a send starts with it.
    std::uint8_t TakeReceiverRequest();
    // A line of the program's own (how a transfer ended) in the ASCII and hex
    // views and the log, in the error colour; never sent anywhere.
    void ShowOwnLine(const std::string& text) { ShowLine(text); }
    // The clock of log names and the time reply.
    void SetClock(std::function<std::time_t()> clock) { m_clock = std::move(clock); }

private:
    // A notification of a connection that is no longer the current one: a port
    // closed or reopened since, an IP run stopped since, or either while the
    // document uses the other kind of connection.
    bool IsStale(const CMessage& message) const;
    std::intptr_t HandleTerminal(CMessage& message);
    std::intptr_t HandleIpMain(CMessage& message);
    std::intptr_t HandleTransfer(CMessage& message);
    void EndTransfer();
    void ProcessBlock(CMessage& message, COLORREF colour);
    // `fromDevice`: the bytes came from the connection (not texts of our own).
    // Bytes the device sent (received on the main connection), to the views,
    // the log, the answer rules, the GPS bar and the bridge.
    void FanOut(const std::uint8_t* data, std::size_t length, COLORREF colour, DataTime arrival);
    // Texts of the terminal's own go to the views and the log only: never to
    // the bridge peer (who would take them for the device's), the answer rules
    // or the GPS bar, and never scanned for commands.
    void ShowOwnText(std::string_view text);
    void ReportLineErrors(std::uint32_t flags);
    void OnPortFailed(CMessage& message);
    // A marked connection line with the time, in the ASCII and hex views only.
    void ShowEvent(const std::string& text);
    // Typed, pasted or answered bytes that no connection takes.
    void OnSendRefused();
    // The bridge's peer waits for room on the main connection.
    std::size_t MainSendRoom() const;
    void WatchMainSendRoom();
    void ShowLogPane(bool logging);
    // Writes what the log gathered; a failure is reported and stops logging.
    void FlushLog();
    void SetModemLines(int bits);

    // IReceiveEvents
    void OnBell() override;
    void OnInbandCommand(CInbandScanner& scanner) override;

    CKestronDoc& m_doc;
    IHubWindow& m_window;
    std::unique_ptr<ISerialLink> m_serialDriver;
    std::unique_ptr<IIpLink> m_ipConnection;
    CDataLogger m_logger;
    CReceivePath m_receive;
    CSendPath m_send;
    CConnectionControl m_control;
    int m_ipSendState = 0;
    int m_modemLines = MODEM_LINES_UNKNOWN;
    CBridge m_bridge;
    CReceiverRequestWatch m_receiverRequest;
    std::string m_logDirectory;
    BlockHook m_answerMatcher;
    BlockHook m_bridgeForward;
    BlockHook m_scriptFeed;
    BlockHook m_ipTransferReceiver;
    MessageHook m_bridgeHandler;
    MessageHook m_transferHandler;
    std::function<void()> m_transferEnder;
    std::function<std::time_t()> m_clock;
};

} // namespace kestrelon
