// What a script sees of the connection it drives: bytes out, the serial
// line's controls, file transfers and a log. The command line and the window
// each implement it over their own connection; the script engine knows no more.
#pragma once

#include <string>
#include <string_view>

namespace kestrelon {

enum class EScriptLine { Dtr, Rts, Break, Baud };

// Why a line control cannot act, the same with or without a window.
constexpr const char* SCRIPT_NETWORK_HAS_NO_LINES = "a network connection has no DTR, RTS, break or line rate";
constexpr const char* SCRIPT_PORT_HAS_NO_LINES = "the port has no such line (a pseudo-terminal has none)";

// What a running script is doing, for a status display.
enum class EScriptState { Running, Expecting, Sleeping, Transferring, Ended, Failed, Stopped };

class IScriptLink {
public:
    virtual ~IScriptLink() = default;
    // All the calls below come from the script's own thread.
    // The bytes exactly as given; false with `error` when the line refused them.
    virtual bool Send(std::string_view bytes, std::string& error) = 0;
    // What Enter sends: CR, or CR LF.
    virtual std::string LineEnd() const = 0;
    // DTR or RTS (value 0 or 1), a break of `value` ms, or a new line rate;
    // empty when done, else why not (a network line has no such controls).
    virtual std::string LineControl(EScriptLine what, int value) = 0;
    // One file transfer to its end on the script's thread; empty on success,
    // else the reason. StopTransfer, from any thread, makes it end at once.
    virtual std::string Transfer(bool send, int protocol, const std::string& path) = 0;
    virtual void StopTransfer() = 0;
    virtual void Log(std::string_view text) = 0;
    // The script's state changed (also called for the end).
    virtual void OnScriptState(EScriptState /*state*/) {}
};

} // namespace kestrelon
