// Which serial ports this machine has, as COM numbers: /dev/ttyS<n> is COM<n+1>;
// every other serial device gets the lowest free number from 33 up, remembered
// by its /dev/serial/by-id name so an adapter keeps its number across replugs;
// user aliases ("Ports" group, COM<n> = any path) win over both. The port that
// is the system console is left out unless aliased: opening it as a device
// terminal would take the machine's console away.
#pragma once

#include "document/SettingsStore.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kestrelon {

// Settings groups: user aliases (COM<n> = path) and remembered numbers
// (stable device name = number).
constexpr const char* kPortAliasGroup = "Ports";
constexpr const char* kPortNumberGroup = "Port Numbers";

// Where devices are looked up: the real machine, or a fake tree in tests.
struct CPortTree {
    std::string sysRoot = "/sys";
    std::string devRoot = "/dev";
};

struct CComPortInfo {
    std::uint32_t number = 0;
    std::string name;   // display name: "COM33 - ttyUSB0 (FTDI FT232R USB UART)", or "COM%d"
    std::string device; // path to open
    bool alias = false;

    bool operator==(const CComPortInfo&) const = default;
};

class CComPortEnumerator {
public:
    explicit CComPortEnumerator(ISettingsStore& settings, CPortTree tree = {});

    // Present ports and aliases, sorted by number. New devices get their number
    // here, and it is remembered.
    std::vector<CComPortInfo> List();
    // The path behind COM<number>: its alias, else the present device with that
    // number; empty when there is none.
    std::string DevicePath(std::uint32_t number);
    // The lowest listed number; 0 when nothing is listed.
    std::uint32_t FirstPort();
    // Where the device at `devicePath` shows up again after a replug: its
    // /dev/serial/by-id name when it has one (the kernel may give the adapter
    // another ttyUSB number), else the path itself (aliases keep their path);
    // empty for a pseudo-terminal itself, which never comes back.
    std::string ReturnPath(const std::string& devicePath) const;
    // The lowest number from `first` up that is neither listed nor remembered
    // for an absent adapter; 0 when all are taken.
    std::uint32_t FreeNumber(std::uint32_t first);

private:
    struct Device {
        std::string name;     // ttyUSB0
        std::string stableId; // by-id name, else the device name
        std::string friendly; // from the USB attributes, may be empty
    };
    std::vector<Device> PresentDevices() const;
    std::vector<CComPortInfo> Aliases() const;
    std::string FriendlyName(const std::string& ttyName) const;
    std::string StableId(const std::string& ttyName) const;
    bool IsPresent(const std::string& ttyName) const;

    ISettingsStore& m_settings;
    CPortTree m_tree;
};

// The list as two parallel arrays (numbers ascending); both are emptied first.
// Always true.
bool EnumerateComPorts(std::vector<std::uint32_t>& numbers, std::vector<std::string>& names, ISettingsStore& settings,
                       const CPortTree& tree = {});

// "COM12" -> 12; 0 for anything that is not COM followed by 1 to 255.
std::uint32_t ParseComName(const std::string& text);

} // namespace kestrelon
