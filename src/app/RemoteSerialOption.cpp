// Taking the remote serial port options out of the command line.
#include "app/RemoteSerialOption.h"

#include "document/KestronDoc.h"
#include "document/RemoteSerialSetting.h"

#include <charconv>
#include <string_view>

namespace kestrelon {

namespace {

bool ParseNumber(std::string_view text, std::uint32_t low, std::uint32_t high, std::uint32_t& value)
{
    std::uint32_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc{} || end != text.data() + text.size() || number < low || number > high)
        return false;
    value = number;
    return true;
}

// "host:port", "[v6 address]:port" or "v6:address:port" (the last colon parts).
bool ParseTarget(std::string_view target, CRemoteSerialOption& option)
{
    const auto colon = target.rfind(':');
    if (colon == std::string_view::npos || colon == 0)
        return false;
    std::string_view host = target.substr(0, colon);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    option.host = std::string(host);
    return ParseNumber(target.substr(colon + 1), 1, 65535, option.port);
}

} // namespace

std::optional<CRemoteSerialOption> TakeRemoteSerialOption(int& argc, char** argv, std::FILE* err, bool& handled,
                                                          int& code)
{
    handled = false;
    bool present = false;
    for (int i = 1; i < argc; ++i)
        present = present || std::string_view(argv[i]) == "--rfc2217";
    if (!present)
        return std::nullopt; // a --baud then belongs to another option
    std::optional<CRemoteSerialOption> option;
    std::optional<std::string_view> baud;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        const bool ours = argument == "--rfc2217" || argument == "--baud";
        if (!ours) {
            argv[kept++] = argv[i];
            continue;
        }
        if (i + 1 >= argc) {
            std::fprintf(err, "kestrelon: %s needs a value\n", argv[i]);
            return handled = true, code = 2, std::nullopt;
        }
        const std::string_view value = argv[++i];
        if (argument == "--baud") {
            baud = value;
            continue;
        }
        option.emplace();
        if (!ParseTarget(value, *option)) {
            std::fprintf(err, "kestrelon: --rfc2217 wants HOST:PORT, not %s\n", argv[i]);
            return handled = true, code = 2, std::nullopt;
        }
    }
    argc = kept;
    argv[argc] = nullptr;
    if (baud && (!option || !ParseNumber(*baud, 50, 4000000, option->baud))) {
        std::fprintf(err, "kestrelon: --baud wants a rate from 50 to 4000000 beside --rfc2217\n");
        return handled = true, code = 2, std::nullopt;
    }
    return option;
}

void ApplyRemoteSerialOption(const CRemoteSerialOption& option, CKestronDoc& doc)
{
    doc.commMode = RemoteSerialMode(option.host);
    doc.ipServer = option.host;
    doc.ipPort = option.port;
    doc.remoteSerialPort = true;
    doc.dcb.BaudRate = option.baud;
    doc.dcb.ByteSize = 8;
    doc.dcb.Parity = 0;
    doc.dcb.StopBits = 0;
    // A board whose CTS is not wired would never get a byte with hardware flow.
    doc.SetHardwareHandshake(false);
}

} // namespace kestrelon
