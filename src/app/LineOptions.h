// The options that name a line on the command line, shared by the transfers
// without a window and by the window itself: --device, --com, --tcp,
// --tcp-server, --udp with --baud and --local-port, one table row each.
#pragma once

#include <string>
#include <string_view>

namespace kestrelon {

enum class ELineKind { None, Device, Com, Tcp, TcpServer, Udp };

struct CLineOptions {
    ELineKind kind = ELineKind::None;
    std::string device;     // --device TTY
    unsigned comNumber = 0; // --com N
    std::string target;     // --tcp / --udp HOST:PORT as given
    std::string host;       // its host, without the brackets of an IPv6 address
    unsigned port = 0;      // its port, or the --tcp-server port
    unsigned baud = 115200; // --baud
    bool baudGiven = false;
    unsigned localPort = 0; // --local-port (0: none given)
    int lines = 0;          // line options given; one is right
};

enum class EOptionTake {
    NotMine, // not a line option: the caller's own, or unknown
    Taken,   // the option and its value were taken
    Bad,     // a line option with a missing or wrong value
};

// Takes one option and its value (null when the command line ended there).
EOptionTake ParseLineOption(std::string_view option, const char* value, CLineOptions& line);

// "HOST:PORT", "[IPv6]:PORT": false when the port is missing or not 1 to 65535.
bool SplitHostPort(std::string_view text, std::string& host, unsigned& port);

// A decimal number within [low, high], nothing else in the text.
bool ParseDecimal(const char* text, unsigned low, unsigned high, unsigned& value);

} // namespace kestrelon
