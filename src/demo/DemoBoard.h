// The demo board's behaviour, apart from any line: bytes typed by the terminal
// go in, the board's answers come out of a bounded output buffer. The device
// loop feeds it from the pseudo-terminal and drains it as fast as the line
// takes the bytes; long outputs (flood) are made only as the buffer empties.
#pragma once

#include "demo/GpsCapture.h"
#include "transfer/TransferCodes.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kestrelon {

class CDemoBoard {
public:
    using Clock = std::chrono::steady_clock;

    static constexpr std::size_t kMaxLine = 200;       // longer input lines ring the bell
    static constexpr std::size_t kRefillBelow = 16384; // flood output is made in chunks below this
    static constexpr std::size_t kRefillChunk = 65536;
    static constexpr std::uint64_t kMaxFlood = 1000000000;
    static constexpr auto kTimeAnswerWait = std::chrono::seconds(3);
    static constexpr auto kGpsPeriod = std::chrono::seconds(1);

    explicit CDemoBoard(Clock::time_point now);

    // A terminal has opened the line: banner and prompt.
    void Connect(Clock::time_point now);
    // Nobody listens any more: what was not sent is lost, a flood stops.
    void Disconnect();
    // Bytes typed on the terminal.
    void Receive(std::string_view bytes, Clock::time_point now);
    // Timers: the GPS sentences and the wait for the time answer.
    void Tick(Clock::time_point now);
    // When Tick next has something to do; Clock::time_point::max() when never.
    Clock::time_point NextDeadline() const;

    // Bytes waiting for the line; Consume removes the first n of them.
    std::string_view Output();
    void Consume(std::size_t n);
    // A file transfer the board asked for (`rx`, `sx FILE`): the device runs it
    // once the output before it has gone, then reports its end.
    struct CTransferRequest {
        bool send = false;
        std::string path; // the file; for YModem the directory
        int protocol = PROTOCOL_XMODEM_1K; // `rb` asks for YModem
    };
    bool WantsTransfer() const { return m_state == State::Transfer && !m_transferStarted; }
    CTransferRequest TransferRequest();
    void TransferEnded(int result, std::uint64_t bytes);
    // The file a YModem upload (`rb`) created: `version` names it from then on.
    void SetReceivedFile(std::string path) { m_receivedFile = std::move(path); }
    // Where `rx` stores files and `sx` finds them (relative names).
    void SetFileDirectory(std::string directory) { m_files = std::move(directory); }

    // Asks for the line speed the terminal set, for `status`.
    void SetSpeedQuery(std::function<std::uint32_t()> query) { m_speed = std::move(query); }

private:
    enum class State { Command, LoginName, LoginPassword, TimeAnswer, Flood, Transfer };

    void ReceiveByte(char c, Clock::time_point now);
    void EditLine(char c, bool echo);
    void Execute(const std::string& line, Clock::time_point now);
    void Finish(); // back to the prompt, ending a logged command
    void Say(std::string_view text);
    void Line(std::string_view text);
    void Refill();
    void Status(Clock::time_point now);
    void StartFlood(std::string_view argument);
    void StartTransfer(std::string_view command, std::string_view argument);
    void OnOff(std::string_view what, std::string_view argument, bool& flag);

    State m_state = State::Command;
    std::string m_out;
    std::string m_line;
    std::string m_loginName;
    bool m_connected = false;
    bool m_lastWasCr = false;
    bool m_led = false;
    bool m_gps = false;
    bool m_logNext = false; // `log` was given: wrap the next command's output
    bool m_logging = false; // the log start went out, the stop is due
    std::uint64_t m_floodNext = 0;
    std::uint64_t m_floodLast = 0;
    std::function<std::uint32_t()> m_speed;
    std::string m_files = ".";
    std::string m_receivedFile;
    std::string m_firmware = "built-in 1.0"; // what `version` prints
    CTransferRequest m_transfer;
    bool m_transferStarted = false;
    Clock::time_point m_start;
    Clock::time_point m_timeDeadline{};
    Clock::time_point m_nextGps{};
    CGpsCapture m_capture;
};

} // namespace kestrelon
