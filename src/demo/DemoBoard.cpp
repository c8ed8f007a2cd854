// CDemoBoard: line editing with echo, the commands, the login dialogue, the
// time request and the flood, as a small development board answers them.
#include "demo/DemoBoard.h"

#include "demo/DemoMenu.h"
#include "demo/DemoVtStatus.h"
#include "transfer/TransferCodes.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <unistd.h>
#include <utility>

namespace kestrelon {

namespace {

constexpr std::string_view kPrompt = "demo> ";
constexpr std::string_view kTimeLength = "YYYY-MM-DD HH:MM:SS";

// The in-band commands; a CR ends each, so nothing of it stays on the screen.
constexpr std::string_view kTimeRequest = "[KESTRON:TIME_UTC\r";
constexpr std::string_view kLogStart = "[KESTRON:LOG_START\r";
constexpr std::string_view kLogStop = "[KESTRON:LOG_STOP\r";

template <typename TimePoint>
long long UptimeSeconds(TimePoint start, TimePoint now)
{
    return static_cast<long long>(std::chrono::duration_cast<std::chrono::seconds>(now - start).count());
}

constexpr std::string_view kHelp = "Commands:\r\n"
                                   "  help          this list\r\n"
                                   "  status        LED, GPS, line speed and uptime\r\n"
                                   "  led on|off    switch the LED\r\n"
                                   "  echo TEXT     print TEXT\r\n"
                                   "  flood N       print N numbered lines as fast as the line takes them\r\n"
                                   "  menu          a full-screen menu (ANSI view, Scan commands off)\r\n"
                                   "  vtstatus      a full-screen status page (Terminal view)\r\n"
                                   "  gps on|off    NMEA sentences once a second\r\n"
                                   "  time          ask the terminal for the UTC time (Scan commands on)\r\n"
                                   "  log           the terminal logs the next command's output (Scan commands on)\r\n"
                                   "  login         asks login: and password:\r\n"
                                   "  rx, sx FILE   receive or send a file with XModem 1K\r\n"
                                   "  rb            receive firmware with YModem\r\n"
                                   "  version       the firmware's name and size\r\n"
                                   "  reset         boot again (where DTR cannot reset the board)\r\n"
                                   "Line ends: this board ends its lines with CR LF. For a device that ends\r\n"
                                   "them with LF alone, or expects CR LF for Enter, use the Toggle menu's\r\n"
                                   "LF/CR -> CR LF items; the status bar's line-end pane shows the choice.\r\n";

std::pair<std::string_view, std::string_view> SplitWord(std::string_view line)
{
    while (!line.empty() && line.front() == ' ')
        line.remove_prefix(1);
    const std::size_t space = line.find(' ');
    if (space == std::string_view::npos)
        return {line, {}};
    std::string_view rest = line.substr(space + 1);
    while (!rest.empty() && rest.front() == ' ')
        rest.remove_prefix(1);
    while (!rest.empty() && rest.back() == ' ')
        rest.remove_suffix(1);
    return {line.substr(0, space), rest};
}

} // namespace

CDemoBoard::CDemoBoard(Clock::time_point now) : m_start(now)
{
}

void CDemoBoard::Connect(Clock::time_point now)
{
    m_connected = true;
    m_state = State::Command;
    m_line.clear();
    m_nextGps = now + kGpsPeriod;
    Say("\r\nKestrelon demo board 1.0\r\n"
        "Type help for the list of commands.\r\n");
    Say(kPrompt);
}

void CDemoBoard::Disconnect()
{
    m_connected = false;
    m_out.clear();
    m_logging = m_logNext = false;
    m_state = State::Command;
    m_line.clear();
}

std::string_view CDemoBoard::Output()
{
    Refill();
    return m_out;
}

void CDemoBoard::Consume(std::size_t n)
{
    m_out.erase(0, std::min(n, m_out.size()));
}

void CDemoBoard::Say(std::string_view text)
{
    if (m_connected)
        m_out.append(text);
}

void CDemoBoard::Line(std::string_view text)
{
    Say(text);
    Say("\r\n");
}

void CDemoBoard::Finish()
{
    if (m_logging) {
        Say(kLogStop);
        m_logging = false;
    }
    m_state = State::Command;
    Say(kPrompt);
}

void CDemoBoard::Receive(std::string_view bytes, Clock::time_point now)
{
    for (const char c : bytes)
        ReceiveByte(c, now);
}

void CDemoBoard::ReceiveByte(char c, Clock::time_point now)
{
    // CR, LF and CR LF all end a line.
    const bool lf = c == '\n';
    const bool skip = lf && m_lastWasCr;
    m_lastWasCr = c == '\r';
    if (skip)
        return;
    const bool end = c == '\r' || lf;
    switch (m_state) {
    case State::Command:
        if (!end)
            return EditLine(c, true);
        Say("\r\n");
        return Execute(std::exchange(m_line, {}), now);
    case State::LoginName:
        if (!end)
            return EditLine(c, true);
        Say("\r\n");
        m_loginName = std::exchange(m_line, {});
        m_state = State::LoginPassword;
        return Say("password: ");
    case State::LoginPassword:
        if (!end)
            return EditLine(c, false);
        Say("\r\n");
        Line(m_line.empty() ? "Login incorrect." : "Welcome, " + m_loginName + ".");
        m_line.clear();
        return Finish();
    case State::TimeAnswer:
        // The answer comes without a line end: it is complete at its length.
        if (c >= ' ' && c <= '~')
            m_line.push_back(c);
        if (m_line.size() == kTimeLength.size()) {
            Line("UTC time from the terminal: " + std::exchange(m_line, {}));
            Finish();
        }
        return;
    case State::Transfer:
        return; // the line belongs to the transfer
    case State::Flood:
        if (c == 3) { // Ctrl-C stops it
            m_floodLast = m_floodNext - 1;
            Line("^C");
        }
        return;
    }
}

void CDemoBoard::EditLine(char c, bool echo)
{
    if (c == '\b' || c == 0x7f) {
        if (m_line.empty())
            return;
        m_line.pop_back();
        if (echo)
            Say("\b \b");
        return;
    }
    if (c == 3) { // Ctrl-C drops the line
        m_line.clear();
        Say("^C\r\n");
        return Finish();
    }
    if (static_cast<unsigned char>(c) < ' ' || m_line.size() >= kMaxLine) {
        Say("\a");
        return;
    }
    m_line.push_back(c);
    if (echo)
        Say(std::string_view(&c, 1));
}

void CDemoBoard::Execute(const std::string& line, Clock::time_point now)
{
    const auto [command, argument] = SplitWord(line);
    if (command.empty())
        return Say(kPrompt);
    if (m_logNext && command != "log") {
        m_logNext = false;
        m_logging = true;
        Say(kLogStart);
    }
    if (command == "help") {
        Say(kHelp);
    } else if (command == "status") {
        Status(now);
    } else if (command == "led") {
        OnOff("LED", argument, m_led);
    } else if (command == "gps") {
        const bool was = m_gps;
        OnOff("GPS", argument, m_gps);
        if (m_gps && !was)
            m_nextGps = now;
    } else if (command == "echo") {
        Line(argument);
    } else if (command == "flood") {
        return StartFlood(argument);
    } else if (command == "menu") {
        Say(DemoMenuScreen(m_led, m_gps));
    } else if (command == "vtstatus") {
        Say(DemoVtStatusScreen({m_led, m_gps, m_speed ? m_speed() : 0u, UptimeSeconds(m_start, now)}));
    } else if (command == "time") {
        Say(kTimeRequest);
        m_state = State::TimeAnswer;
        m_line.clear();
        m_timeDeadline = now + kTimeAnswerWait;
        return;
    } else if (command == "log") {
        m_logNext = true;
        Line("The terminal logs the output of the next command.");
    } else if (command == "login") {
        m_state = State::LoginName;
        m_line.clear();
        return Say("login: ");
    } else if (command == "reset") {
        Say("resetting\r\n");
        return Connect(now); // boots again: the banner and a fresh prompt
    } else if (command == "version") {
        Line("firmware " + m_firmware);
    } else if (command == "rx" || command == "sx" || command == "rb") {
        return StartTransfer(command, argument);
    } else {
        Line("unknown command, try help");
    }
    Finish();
}

void CDemoBoard::StartTransfer(std::string_view command, std::string_view argument)
{
    const bool send = command == "sx";
    if (command == "rb") {
        Line("rb: ready for firmware with YModem into " + m_files + "; start File > Send... now");
        m_transfer = {false, m_files, PROTOCOL_YMODEM};
        m_receivedFile.clear();
        m_transferStarted = false;
        m_state = State::Transfer;
        return;
    }
    if (send == argument.empty()) {
        Line(send ? "usage: sx FILE" : "usage: rx");
        return Finish();
    }
    std::string path = send ? std::string(argument) : "received.bin";
    if (path.front() != '/')
        path = m_files + "/" + path;
    if (send && access(path.c_str(), R_OK) != 0) {
        Line("sx: cannot read " + path);
        return Finish();
    }
    Line(send ? "sx: sending " + path + " with XModem 1K; start File > Receive... now"
              : "rx: ready for a file with XModem 1K into " + m_files + "; start File > Send... now");
    m_transfer = {send, path, PROTOCOL_XMODEM_1K};
    m_transferStarted = false;
    m_state = State::Transfer;
}

CDemoBoard::CTransferRequest CDemoBoard::TransferRequest()
{
    m_transferStarted = true;
    return m_transfer;
}

void CDemoBoard::TransferEnded(int result, std::uint64_t bytes)
{
    if (m_state != State::Transfer)
        return;
    std::string_view text = "ended";
    switch (result) {
    case RESULT_SUCCESS:
        text = "done";
        if (m_transfer.protocol == PROTOCOL_YMODEM && !m_receivedFile.empty())
            m_firmware = m_receivedFile.substr(m_receivedFile.rfind('/') + 1) + ", " + std::to_string(bytes) + " bytes";
        break;
    case RESULT_TIMEOUT:
        text = "timed out";
        break;
    case RESULT_CANCELLED:
        text = "cancelled by the other side";
        break;
    default:
        break;
    }
    const char* name = m_transfer.send ? "sx: " : m_transfer.protocol == PROTOCOL_YMODEM ? "rb: " : "rx: ";
    Line("\r\n" + std::string(name) + std::string(text) + ", " + std::to_string(bytes) +
         " bytes");
    m_transferStarted = false;
    Finish();
}

void CDemoBoard::OnOff(std::string_view what, std::string_view argument, bool& flag)
{
    if (argument != "on" && argument != "off") {
        std::string usage = "usage: ";
        for (const char c : what)
            usage.push_back(static_cast<char>(c | 0x20));
        return Line(usage + " on|off");
    }
    flag = argument == "on";
    Line(std::string(what) + (flag ? " on" : " off"));
}

void CDemoBoard::Status(Clock::time_point now)
{
    char text[160];
    std::snprintf(text, sizeof text, "LED %s, GPS %s, line %u baud, up %lld s", m_led ? "on" : "off",
                  m_gps ? "on" : "off", m_speed ? m_speed() : 0u, UptimeSeconds(m_start, now));
    Line(text);
}

void CDemoBoard::StartFlood(std::string_view argument)
{
    std::uint64_t count = 0;
    const auto [end, error] = std::from_chars(argument.data(), argument.data() + argument.size(), count);
    if (argument.empty() || error != std::errc() || end != argument.data() + argument.size() || count == 0 ||
        count > kMaxFlood) {
        Line("usage: flood N (N from 1 to 1000000000)");
        return Finish();
    }
    m_floodNext = 1;
    m_floodLast = count;
    m_state = State::Flood;
}

void CDemoBoard::Refill()
{
    if (m_state != State::Flood || m_out.size() >= kRefillBelow)
        return;
    char text[96];
    while (m_floodNext <= m_floodLast && m_out.size() < kRefillChunk) {
        const int n = std::snprintf(text, sizeof text, "%10llu the quick brown fox jumps over the lazy dog\r\n",
                                    static_cast<unsigned long long>(m_floodNext));
        m_out.append(text, static_cast<std::size_t>(n));
        ++m_floodNext;
    }
    if (m_floodNext > m_floodLast)
        Finish();
}

void CDemoBoard::Tick(Clock::time_point now)
{
    if (m_state == State::TimeAnswer && now >= m_timeDeadline) {
        m_line.clear();
        Line("time: no answer; switch on Setup > Terminal > Scan commands");
        Finish();
    }
    if (m_gps && now >= m_nextGps) {
        // A receiver talks whatever the console does.
        if (m_connected && m_out.size() < kRefillChunk)
            Say(m_capture.NextEpoch());
        m_nextGps = now + kGpsPeriod;
    }
}

CDemoBoard::Clock::time_point CDemoBoard::NextDeadline() const
{
    Clock::time_point next = Clock::time_point::max();
    if (m_state == State::TimeAnswer)
        next = m_timeDeadline;
    if (m_gps && m_nextGps < next)
        next = m_nextGps;
    return next;
}

} // namespace kestrelon
