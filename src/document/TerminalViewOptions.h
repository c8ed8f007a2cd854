// The Terminal view's options: whether it answers the device's queries, the
// text encoding, the scrollback length and what Backspace sends. Kept in the
// settings store per configuration file, as the pacing is, so .kst files keep
// their layout.
#pragma once

#include "document/SettingsStore.h"

#include <string>

namespace kestrelon {

// Scrollback lines: none up to a bound that keeps memory in check at wide screens.
constexpr int SCROLLBACK_LINES_MIN = 0;
constexpr int SCROLLBACK_LINES_MAX = 100000;
constexpr int SCROLLBACK_LINES_DEFAULT = 10000;

struct CTerminalViewOptions {
    bool answers = true; // device status, attributes and size reports
    bool latin1 = false; // UTF-8 otherwise
    int scrollbackLines = SCROLLBACK_LINES_DEFAULT;
    bool backspaceSendsBs = false; // DEL otherwise
    bool operator==(const CTerminalViewOptions&) const = default;
};

// The options stored for `configPath` (empty: a new document). A value that
// cannot be read, or is out of range, reads as its default.
CTerminalViewOptions LoadTerminalViewOptions(const ISettingsStore& store, const std::string& configPath);
void SaveTerminalViewOptions(ISettingsStore& store, const std::string& configPath, const CTerminalViewOptions& options);

} // namespace kestrelon
