// Pacing in the settings store: group "Pacing", one "char,line" value per
// configuration path.
#include "document/Pacing.h"

#include <charconv>

namespace kestrelon {

namespace {

constexpr const char* kGroup = "Pacing";

// Settings keys must not hold the store's group separators.
std::string KeyFor(const std::string& configPath)
{
    if (configPath.empty())
        return "(untitled)";
    std::string key;
    for (const char c : configPath) {
        switch (c) {
        case '%': key += "%25"; break;
        case '/': key += "%2F"; break;
        case '\\': key += "%5C"; break;
        default: key += c; break;
        }
    }
    return key;
}

int ReadDelay(const char*& pos, const char* end)
{
    int value = 0;
    const auto [next, error] = std::from_chars(pos, end, value);
    pos = next;
    if (error != std::errc{} || value < PACING_DELAY_MIN_MS || value > PACING_DELAY_MAX_MS)
        return 0;
    return value;
}

} // namespace

CPacing LoadPacing(const ISettingsStore& store, const std::string& configPath)
{
    CPacing pacing;
    const auto value = store.Read(kGroup, KeyFor(configPath));
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
        store.Remove(kGroup, KeyFor(configPath));
        return;
    }
    store.Write(kGroup, KeyFor(configPath),
                std::to_string(pacing.charDelayMs) + "," + std::to_string(pacing.lineDelayMs));
}

} // namespace kestrelon
