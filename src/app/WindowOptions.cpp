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

// Why the options do not fit together, or empty when they do.
std::string Misfit(const CLineOptions& line)
{
    if (line.lines > 1)
        return "name one line: --device, --com, --tcp, --tcp-server or --udp";
    if (line.baudGiven && line.kind != ELineKind::Device && line.kind != ELineKind::Com)
        return "--baud needs --device or --com";
    if (line.localPort != 0 && line.kind != ELineKind::Udp)
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
        const std::string_view option = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        EOptionTake take = ParseLineOption(option, value, options.line);
        if (take == EOptionTake::NotMine && option == "--config") {
            take = value != nullptr && *value != '\0' ? EOptionTake::Taken : EOptionTake::Bad;
            if (value != nullptr)
                options.config = value;
        }
        if (take == EOptionTake::Bad) {
            error = "bad option: " + std::string(option) + (value ? std::string(" ") + value : std::string());
            return false;
        }
        if (take == EOptionTake::Taken)
            ++i; // and its value
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    argv[argc] = nullptr;
    error = Misfit(options.line);
    return error.empty();
}

bool ApplyWindowLine(const CLineOptions& line, CKestronDoc& doc, CSessionPortStore& store, std::string& error)
{
    const std::uint32_t ipv6 = line.host.find(':') != std::string::npos ? kIpv6Offset : 0;
    switch (line.kind) {
    case ELineKind::None:
        return true;
    case ELineKind::Device:
    case ELineKind::Com: {
        const std::uint32_t number =
            line.kind == ELineKind::Com ? line.comNumber : NumberForDevice(line.device, store);
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
    if (line.kind != ELineKind::TcpServer)
        doc.ipServer = line.host;
    doc.ipPort = line.port;
    return true;
}

} // namespace kestrelon
