// The pauses with which pastes, function keys and answers are sent, for devices
// whose input buffer drops a fast paste. They are kept in the settings store per
// configuration file, not in the file, so .kst files keep their layout.
#pragma once

#include "document/SettingsStore.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace kestrelon {

// Either pause: up to a second, far beyond what any device asks.
constexpr int PACING_DELAY_MIN_MS = 0;
constexpr int PACING_DELAY_MAX_MS = 1000;

struct CPacing {
    int charDelayMs = 0; // after every byte
    int lineDelayMs = 0; // added after a line end
    bool operator==(const CPacing&) const = default;
    bool IsOff() const { return charDelayMs == 0 && lineDelayMs == 0; }
};

// The next piece of a paced send that leaves in one write, and the pause
// after it. With a character delay that is one byte; with only a line delay,
// the bytes up to and including the next line end; without delays, all.
struct CPacedStretch {
    std::size_t length = 0;
    int pauseMs = 0;
};
// `bytes` are the paced bytes waiting (at least one); `next` is the byte queued
// after them, if any: CR LF is one line end, and the pause comes after the LF.
CPacedStretch NextPacedStretch(const CPacing& pacing, const std::uint8_t* bytes, std::size_t length,
                               std::optional<std::uint8_t> next);

// The pacing stored for the configuration file `configPath` (empty: a new
// document not yet saved). Anything unreadable or out of range reads as 0.
CPacing LoadPacing(const ISettingsStore& store, const std::string& configPath);
void SavePacing(ISettingsStore& store, const std::string& configPath, const CPacing& pacing);

} // namespace kestrelon
