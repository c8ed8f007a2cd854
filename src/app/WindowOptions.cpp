// Taking the window's connection options out of the command line, and putting
// the document on the line they name.
#include "app/WindowOptions.h"

#include "document/KestronDoc.h"
#include "serial/ComPortEnumerator.h"
#include "serial/SessionPortStore.h"

#include <climits>
#include <cstdlib>
#include <string_view>

namespace kestrelon {

namespace {

// Connection modes of the document: IPv6 is three modes on from IPv4.
constexpr std::uint32_t kModeSerial = 0;
constexpr std::uint32_t kModeTcpClient = 1;
constexpr std::uint32_t kModeTcpServer = 2;
constexpr std::uint32_t kModeUdp = 3;
constexpr std::uint32_t kIpv6Offset = 3;
constexpr unsigned kMaxPort = 65535;

enum class ELineKind { None, Device, Com, Tcp, TcpServer, Udp };

ELineKind KindOf(const CLineOptions& line)
{
    if (!line.device.empty())
        return ELineKind::Device;
    if (line.comNumber != 0)
        return ELineKind::Com;
    if (!line.tcp.empty())
        return ELineKind::Tcp;
    if (line.tcpServerPort != 0)
        return ELineKind::TcpServer;
    return line.udp.empty() ? ELineKind::None : ELineKind::Udp;
}

// "HOST:PORT", "[IPv6]:PORT": false when the port is missing or not 1 to 65535.
bool SplitHostPort(std::string_view text, std::string& host, unsigned& port)
{
    const auto colon = text.rfind(':');
    if (colon == std::string_view::npos || colon == 0)
        return false;
    std::string_view name = text.substr(0, colon);
    if (name.size() > 2 && name.front() == '[' && name.back() == ']')
        name = name.substr(1, name.size() - 2);
    else if (name.find(':') != std::string_view::npos)
        return false; // an IPv6 address needs its brackets, or the port is ambiguous
    host = std::string(name);
    return ParseUnsignedOption(std::string(text.substr(colon + 1)).c_str(), 1, kMaxPort, port);
}

// Takes argv[i] (and its value) when it is one of the window's line options.
ELineOption TakeOne(int argc, char** argv, int& i, CWindowOptions& options)
{
    const std::string_view option = argv[i];
    CLineOptions& line = options.line;
    if (option != "--tcp-server" && option != "--udp" && option != "--local-port" && option != "--config") {
        const ELineOption taken = TakeLineOption(argc, argv, i, line, false);
        std::string host;
        unsigned port = 0;
        if (taken == ELineOption::Taken && option == "--tcp" && !SplitHostPort(line.tcp, host, port))
            return ELineOption::Bad;
        return taken;
    }
    if (i + 1 >= argc)
        return ELineOption::Bad;
    const char* value = argv[++i];
    if (option == "--config")
        return options.config = value, options.config.empty() ? ELineOption::Bad : ELineOption::Taken;
    if (option == "--local-port")
        return ParseUnsignedOption(value, 1, kMaxPort, line.localPort) ? ELineOption::Taken : ELineOption::Bad;
    ++line.lines;
    if (option == "--tcp-server")
        return ParseUnsignedOption(value, 1, kMaxPort, line.tcpServerPort) ? ELineOption::Taken : ELineOption::Bad;
    line.udp = value;
    std::string host;
    unsigned port = 0;
    return SplitHostPort(line.udp, host, port) ? ELineOption::Taken : ELineOption::Bad;
}

// Why the options do not fit together, or empty when they do.
std::string Misfit(const CLineOptions& line)
{
    const ELineKind kind = KindOf(line);
    if (line.lines > 1)
        return "name one line: --device, --com, --tcp, --tcp-server, --udp or --rfc2217";
    if (line.baudGiven && kind != ELineKind::Device && kind != ELineKind::Com)
        return "--baud needs --device or --com";
    if (line.localPort != 0 && kind != ELineKind::Udp)
        return "--local-port needs --udp";
    return {};
}

std::string RealPath(const std::string& path)
{
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
}

// The COM number already listed for `device` (a link to it counts), else a
// session-only one; 0 when none is free.
std::uint32_t NumberForDevice(const std::string& device, CSessionPortStore& store)
{
    CComPortEnumerator ports(store);
    const std::string wanted = RealPath(device);
    for (const CComPortInfo& port : ports.List())
        if (RealPath(port.device) == wanted)
            return port.number;
    const std::uint32_t number = ports.FreeNumber(COMMAND_LINE_FIRST_PORT);
    if (number != 0)
        store.SetSessionAlias(number, device);
    return number;
}

} // namespace

bool TakeWindowOptions(int& argc, char** argv, CWindowOptions& options, std::string& error)
{
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const int first = i;
        const ELineOption taken = TakeOne(argc, argv, i, options);
        if (taken == ELineOption::Bad) {
            error = "bad option:";
            for (int k = first; k <= i && k < argc; ++k)
                error += std::string(" ") + argv[k];
            return false;
        }
        if (taken == ELineOption::Other)
            argv[kept++] = argv[i];
    }
    argc = kept;
    argv[argc] = nullptr;
    error = Misfit(options.line);
    return error.empty();
}

bool ApplyWindowLine(const CLineOptions& line, CKestronDoc& doc, CSessionPortStore& store, std::string& error)
{
    const ELineKind kind = KindOf(line);
    std::string host;
    unsigned port = line.tcpServerPort;
    if (kind == ELineKind::Tcp || kind == ELineKind::Udp)
        SplitHostPort(kind == ELineKind::Tcp ? line.tcp : line.udp, host, port);
    const std::uint32_t ipv6 = host.find(':') != std::string::npos ? kIpv6Offset : 0;
    switch (kind) {
    case ELineKind::None:
        return true;
    case ELineKind::Device:
    case ELineKind::Com: {
        const std::uint32_t number = kind == ELineKind::Com ? line.comNumber : NumberForDevice(line.device, store);
        if (number == 0) {
            error = "No free COM number for " + line.device;
            return false;
        }
        doc.commMode = kModeSerial;
        doc.comPort = number;
        if (line.baudGiven)
            doc.dcb.BaudRate = line.baud;
        return true;
    }
    case ELineKind::Tcp:
        doc.commMode = kModeTcpClient + ipv6;
        break;
    case ELineKind::TcpServer:
        doc.commMode = kModeTcpServer;
        break;
    case ELineKind::Udp:
        doc.commMode = kModeUdp + ipv6;
        break;
    }
    if (kind != ELineKind::TcpServer)
        doc.ipServer = host;
    doc.ipPort = port;
    return true;
}

} // namespace kestrelon
