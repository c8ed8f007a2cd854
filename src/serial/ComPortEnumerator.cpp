// CComPortEnumerator: present serial devices from sysfs, their stable COM
// numbers and the user's aliases.
#include "serial/ComPortEnumerator.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

namespace kestrelon {

namespace {

constexpr std::uint32_t kFirstFreeNumber = 33; // COM1..COM32 belong to ttyS0..ttyS31
constexpr std::uint32_t kLastNumber = 255;
constexpr int kUsbSearchDepth = 6; // tty -> interface -> USB device, with room for hubs

std::string ReadLine(const fs::path& path)
{
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back())))
        line.pop_back();
    return line;
}

std::uint32_t ParseNumber(const std::string& text)
{
    if (text.empty() || text.size() > 3 || !std::all_of(text.begin(), text.end(), ::isdigit))
        return 0;
    return static_cast<std::uint32_t>(std::stoul(text));
}

// ttyS<k>: k, or -1 for other names.
int SerialUartIndex(const std::string& name)
{
    if (name.rfind("ttyS", 0) != 0 || name.size() == 4 || name.size() > 8)
        return -1;
    const std::string digits = name.substr(4);
    if (!std::all_of(digits.begin(), digits.end(), ::isdigit))
        return -1;
    return std::stoi(digits);
}

std::string Display(std::uint32_t number, const std::string& device, const std::string& friendly)
{
    char head[16];
    std::snprintf(head, sizeof head, "COM%u", number);
    if (friendly.empty())
        return head;
    return std::string(head) + " - " + device + " (" + friendly + ")";
}

} // namespace

std::uint32_t ParseComName(const std::string& text)
{
    if (text.size() < 4)
        return 0;
    for (int i = 0; i < 3; ++i)
        if (std::toupper(static_cast<unsigned char>(text[static_cast<std::size_t>(i)])) != "COM"[i])
            return 0;
    const std::uint32_t n = ParseNumber(text.substr(3));
    return n <= kLastNumber ? n : 0;
}

CComPortEnumerator::CComPortEnumerator(ISettingsStore& settings, CPortTree tree)
    : m_settings(settings), m_tree(std::move(tree))
{
}

std::vector<CComPortInfo> CComPortEnumerator::Aliases() const
{
    std::vector<CComPortInfo> aliases;
    for (const std::string& key : m_settings.Keys(kPortAliasGroup)) {
        const std::uint32_t n = ParseComName(key);
        const auto path = m_settings.Read(kPortAliasGroup, key);
        if (n == 0 || !path || path->empty())
            continue;
        char head[16];
        std::snprintf(head, sizeof head, "COM%u", n);
        aliases.push_back({n, std::string(head) + " - " + *path, *path, true});
    }
    return aliases;
}

bool CComPortEnumerator::IsPresent(const std::string& name) const
{
    const fs::path entry = fs::path(m_tree.sysRoot) / "class" / "tty" / name;
    std::error_code ec;
    if (!fs::exists(entry / "device", ec))
        return false; // virtual terminals and pseudo-terminals have no device
    // The 8250 driver registers every ttyS line it might have; only those
    // where it found a UART have a known type (0 is "unknown").
    if (SerialUartIndex(name) >= 0)
        return ParseNumber(ReadLine(entry / "type")) != 0;
    return true;
}

std::string CComPortEnumerator::FriendlyName(const std::string& name) const
{
    std::error_code ec;
    fs::path dir = fs::canonical(fs::path(m_tree.sysRoot) / "class" / "tty" / name / "device", ec);
    const fs::path root = fs::canonical(m_tree.sysRoot, ec);
    for (int depth = 0; !ec && depth < kUsbSearchDepth && dir != root && dir.has_parent_path(); ++depth) {
        const std::string product = ReadLine(dir / "product");
        if (!product.empty()) {
            const std::string maker = ReadLine(dir / "manufacturer");
            if (maker.empty() || product.rfind(maker, 0) == 0)
                return product;
            return maker + " " + product;
        }
        dir = dir.parent_path();
    }
    return {};
}

std::string CComPortEnumerator::StableId(const std::string& name) const
{
    std::error_code ec;
    std::vector<std::string> ids;
    for (const auto& link : fs::directory_iterator(fs::path(m_tree.devRoot) / "serial" / "by-id", ec)) {
        std::error_code linkError;
        const fs::path target = fs::read_symlink(link.path(), linkError);
        if (!linkError && target.filename() == name)
            ids.push_back(link.path().filename().string());
    }
    if (ids.empty())
        return name;
    return *std::min_element(ids.begin(), ids.end());
}

std::vector<CComPortEnumerator::Device> CComPortEnumerator::PresentDevices() const
{
    std::set<std::string> consoles;
    std::istringstream active(ReadLine(fs::path(m_tree.sysRoot) / "class" / "tty" / "console" / "active"));
    for (std::string name; active >> name;)
        consoles.insert(name);

    std::vector<Device> devices;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(fs::path(m_tree.sysRoot) / "class" / "tty", ec)) {
        const std::string name = entry.path().filename().string();
        if (consoles.count(name) != 0 || !IsPresent(name))
            continue;
        devices.push_back({name, StableId(name), FriendlyName(name)});
    }
    std::sort(devices.begin(), devices.end(), [](const Device& a, const Device& b) { return a.name < b.name; });
    return devices;
}

std::vector<CComPortInfo> CComPortEnumerator::List()
{
    std::vector<CComPortInfo> ports = Aliases();
    std::set<std::uint32_t> taken;
    for (const auto& alias : ports)
        taken.insert(alias.number);
    // A remembered number stays reserved while its adapter is unplugged.
    std::map<std::string, std::uint32_t> remembered;
    std::set<std::uint32_t> reserved;
    for (const std::string& key : m_settings.Keys(kPortNumberGroup)) {
        const std::uint32_t n = ParseNumber(m_settings.Read(kPortNumberGroup, key).value_or(""));
        if (n >= kFirstFreeNumber && n <= kLastNumber) {
            remembered[key] = n;
            reserved.insert(n);
        }
    }
    const auto add = [&](const Device& d, std::uint32_t n) {
        taken.insert(n);
        ports.push_back({n, Display(n, d.name, d.friendly), (fs::path(m_tree.devRoot) / d.name).string(), false});
    };
    std::vector<const Device*> fresh;
    const std::vector<Device> devices = PresentDevices();
    for (const Device& d : devices) {
        const int uart = SerialUartIndex(d.name);
        const auto known = remembered.find(d.stableId);
        if (uart >= 0 && uart < static_cast<int>(kFirstFreeNumber) - 1) {
            if (taken.count(static_cast<std::uint32_t>(uart) + 1) == 0)
                add(d, static_cast<std::uint32_t>(uart) + 1);
        } else if (known != remembered.end() && taken.count(known->second) == 0) {
            add(d, known->second);
        } else {
            fresh.push_back(&d);
        }
    }
    for (const Device* d : fresh) {
        std::uint32_t n = kFirstFreeNumber;
        while (n <= kLastNumber && (taken.count(n) != 0 || reserved.count(n) != 0))
            ++n;
        if (n > kLastNumber)
            break;
        m_settings.Write(kPortNumberGroup, d->stableId, std::to_string(n));
        reserved.insert(n);
        add(*d, n);
    }
    std::stable_sort(ports.begin(), ports.end(),
                     [](const CComPortInfo& a, const CComPortInfo& b) { return a.number < b.number; });
    return ports;
}

std::string CComPortEnumerator::DevicePath(std::uint32_t number)
{
    for (const CComPortInfo& port : List())
        if (port.number == number)
            return port.device;
    return {};
}

std::string CComPortEnumerator::ReturnPath(const std::string& devicePath) const
{
    const fs::path path(devicePath);
    std::error_code ec;
    // A pseudo-terminal's number goes to the next terminal opened anywhere on
    // the machine: watching for it would open a stranger's session.
    if (fs::equivalent(path.parent_path(), fs::path(m_tree.devRoot) / "pts", ec))
        return {};
    if (devicePath.empty() || !fs::equivalent(path.parent_path(), m_tree.devRoot, ec))
        return devicePath;
    const std::string name = path.filename().string();
    const std::string id = StableId(name);
    return id == name ? devicePath : (fs::path(m_tree.devRoot) / "serial" / "by-id" / id).string();
}

std::uint32_t CComPortEnumerator::FirstPort()
{
    const auto ports = List();
    return ports.empty() ? 0 : ports.front().number;
}

std::uint32_t CComPortEnumerator::FreeNumber(std::uint32_t first)
{
    std::set<std::uint32_t> taken;
    for (const CComPortInfo& port : List())
        taken.insert(port.number);
    for (const std::string& key : m_settings.Keys(kPortNumberGroup))
        taken.insert(ParseNumber(m_settings.Read(kPortNumberGroup, key).value_or("")));
    for (std::uint32_t n = std::max<std::uint32_t>(first, 1); n <= kLastNumber; ++n)
        if (taken.count(n) == 0)
            return n;
    return 0;
}

bool EnumerateComPorts(std::vector<std::uint32_t>& numbers, std::vector<std::string>& names, ISettingsStore& settings,
                       const CPortTree& tree)
{
    numbers.clear();
    names.clear();
    for (const CComPortInfo& port : CComPortEnumerator(settings, tree).List()) {
        numbers.push_back(port.number);
        names.push_back(port.name);
    }
    return true;
}

} // namespace kestrelon
