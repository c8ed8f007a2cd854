// Zoom in the settings store: group "Zoom", one percentage per configuration path.
#include "document/ZoomSetting.h"

#include "document/ConfigSettings.h"

#include <charconv>

namespace kestrelon {

namespace {
constexpr int kActual = 100;
constexpr int kMin = 10;
constexpr int kMax = 1000;
} // namespace

int LoadZoom(const ISettingsStore& store, const std::string& configPath)
{
    const auto value = store.Read(ZOOM_GROUP, ConfigSettingsKey(configPath));
    if (!value)
        return kActual;
    int percent = 0;
    const char* end = value->data() + value->size();
    const auto [next, error] = std::from_chars(value->data(), end, percent);
    if (error != std::errc{} || next != end || percent < kMin || percent > kMax)
        return kActual;
    return percent;
}

void SaveZoom(ISettingsStore& store, const std::string& configPath, int percent)
{
    if (percent == kActual)
        store.Remove(ZOOM_GROUP, ConfigSettingsKey(configPath));
    else
        store.Write(ZOOM_GROUP, ConfigSettingsKey(configPath), std::to_string(percent));
}

} // namespace kestrelon
