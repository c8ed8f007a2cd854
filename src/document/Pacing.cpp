// Pacing in the settings store: group "Pacing", one "char,line" value per
// configuration path.
#include "document/Pacing.h"

#include "document/ConfigSettings.h"

#include <charconv>

namespace kestrelon {

namespace {

int ReadDelay(const char*& pos, const char* end)
{
    int value = 0;
    const auto [next, error] = std::from_chars(pos, end, value);
    pos = next;
    if (error != std::errc{} || value < PACING_DELAY_MIN_MS || value > PACING_DELAY_MAX_MS)
        return 0;
    return value;
}

bool IsLineEnd(std::uint8_t byte, std::optional<std::uint8_t> next)
{
    return byte == '\n' || (byte == '\r' && next != '\n');
}

} // namespace

CPacedStretch NextPacedStretch(const CPacing& pacing, const std::uint8_t* bytes, std::size_t length,
                               std::optional<std::uint8_t> next)
{
    auto after = [&](std::size_t i) { return i + 1 < length ? std::optional<std::uint8_t>(bytes[i + 1]) : next; };
    if (pacing.charDelayMs > 0) {
        const bool lineEnd = IsLineEnd(bytes[0], after(0));
        return {1, pacing.charDelayMs + (lineEnd ? pacing.lineDelayMs : 0)};
    }
    if (pacing.lineDelayMs > 0) {
        for (std::size_t i = 0; i < length; ++i)
            if (IsLineEnd(bytes[i], after(i)))
                return {i + 1, pacing.lineDelayMs};
    }
    return {length, 0};
}

CPacing LoadPacing(const ISettingsStore& store, const std::string& configPath)
{
    CPacing pacing;
    const auto value = store.Read(PACING_GROUP, ConfigSettingsKey(configPath));
    if (!value)
        return pacing;
    const char* pos = value->data();
    const char* end = pos + value->size();
    pacing.charDelayMs = ReadDelay(pos, end);
    if (pos < end && *pos == ',')
        pacing.lineDelayMs = ReadDelay(++pos, end);
    return pacing;
}

void SavePacing(ISettingsStore& store, const std::string& configPath, const CPacing& pacing)
{
    if (pacing.IsOff()) {
        store.Remove(PACING_GROUP, ConfigSettingsKey(configPath));
        return;
    }
    store.Write(PACING_GROUP, ConfigSettingsKey(configPath),
                std::to_string(pacing.charDelayMs) + "," + std::to_string(pacing.lineDelayMs));
}

} // namespace kestrelon
