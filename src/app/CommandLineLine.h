// The line a command without a window works on: the options that name it
// (--device PATH, --com N, --tcp HOST:PORT, --demo, --baud N), and the open
// tty, socket or demo device, closed and ended again with the object.
#pragma once

#include "document/SettingsStore.h"
#include "serial/SerialPort.h"

#include <functional>
#include <memory>
#include <string>
#include <sys/types.h>

namespace kestrelon {

struct CLineOptions {
    std::string device;     // --device, or what --com names
    unsigned comNumber = 0; // --com
    std::string tcp;        // --tcp HOST:PORT
    bool demo = false;      // --demo: the demo device, started for this command
    unsigned baud = 115200;
    int lines = 0; // how many of --device, --com, --tcp and --demo were given
};

// A decimal number from low to high.
bool ParseUnsignedOption(const char* text, unsigned low, unsigned high, unsigned& value);

enum class ELineOption { Other, Taken, Bad };
// Takes argv[i] (and its value, advancing i) when it is a line option;
// `allowDemo` says whether --demo is one.
ELineOption TakeLineOption(int argc, char** argv, int& i, CLineOptions& options, bool allowDemo);

using SettingsMaker = std::function<std::unique_ptr<ISettingsStore>()>;

class CCommandLineLine {
public:
    CCommandLineLine() = default;
    ~CCommandLineLine();
    CCommandLineLine(const CCommandLineLine&) = delete;
    CCommandLineLine& operator=(const CCommandLineLine&) = delete;

    // Opens the tty (8N1 at the rate), connects the socket or starts the demo
    // device; false after a message naming `program` on stderr.
    bool Open(const CLineOptions& options, const SettingsMaker& makeSettings, const char* program);
    int Descriptor() const { return m_port.IsOpen() ? m_port.Descriptor() : m_socket; }
    // The serial port, or null for a TCP connection.
    CSerialPort* Port() { return m_port.IsOpen() ? &m_port : nullptr; }

    static constexpr int CONNECT_TIMEOUT_MS = 10000;
    static constexpr int DEMO_START_TIMEOUT_MS = 5000;

private:
    bool OpenTty(const std::string& device, unsigned baud, const char* program);
    bool StartDemo(std::string& device, const char* program);

    CSerialPort m_port;
    int m_socket = -1;
    pid_t m_demo = -1;
    int m_demoOutput = -1;
};

} // namespace kestrelon
