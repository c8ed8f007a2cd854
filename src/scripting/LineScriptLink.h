// A script's connection without a window: a tty or a connected socket that
// the command line opened. A reader thread feeds the script (and, asked to,
// standard output); sends, line controls and transfers use the descriptor.
#pragma once

#include "scripting/ScriptLink.h"
#include "transfer/ReceiverRequest.h"
#include "transfer/TransferEngine.h"

#include <cstdio>
#include <mutex>
#include <thread>

namespace kestrelon {

class CScriptRunner;
class CSerialPort;

class CLineScriptLink : public IScriptLink, private CTransferObserver {
public:
    // `port`: the open serial port behind `fd`, null for a socket. `echo`:
    // where received bytes are copied, or null.
    CLineScriptLink(int fd, CSerialPort* port, std::FILE* echo);
    ~CLineScriptLink() override;
    CLineScriptLink(const CLineScriptLink&) = delete;
    CLineScriptLink& operator=(const CLineScriptLink&) = delete;

    // Starts feeding what the line receives to `runner` (at once, or when a
    // transfer that the script started first gives the line back).
    void StartReading(CScriptRunner& runner);
    void StopReading();

    bool Send(std::string_view bytes, std::string& error) override;
    std::string LineEnd() const override { return "\r"; }
    std::string LineControl(EScriptLine what, int value) override;
    std::string Transfer(bool send, int protocol, const std::string& path) override;
    void StopTransfer() override;
    void Log(std::string_view text) override;

    // A send waits this long for a line that takes nothing (flow control held).
    static constexpr int SEND_TIMEOUT_MS = 5000;

private:
    void ReadLoop();
    // With m_readerMutex held.
    void StartReaderLocked();
    void StopReaderLocked();
    void OnTransferNotify(int code, std::uint64_t value) override;
    void OnTransferFile(const std::string& /*path*/) override {}

    int m_fd;
    CSerialPort* m_port;
    std::FILE* m_echo;
    int m_wakeReader = -1;    // ends the reader
    int m_stopFd = -1;        // the script was stopped: ends a waiting send
    std::mutex m_readerMutex; // the reader's start and stop, from two threads
    CScriptRunner* m_runner = nullptr;
    bool m_transferring = false; // the engine owns the line: no reader
    std::thread m_reader;
    std::mutex m_mutex;
    int m_fileError = -1;
    CReceiverRequestWatch m_request; // the reader's until it is stopped for a transfer
    CTransferEngine m_engine;
};

} // namespace kestrelon
