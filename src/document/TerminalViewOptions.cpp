// Terminal view options in the settings store: group "TerminalView", one
// "answers,encoding,scrollback,backspace" value per configuration path.
#include "document/TerminalViewOptions.h"

#include "document/ConfigSettings.h"

#include <charconv>
#include <optional>

namespace kestrelon {

namespace {

// The next comma-separated number, if it lies in [low, high].
std::optional<int> ReadField(const char*& pos, const char* end, int low, int high)
{
    int value = 0;
    const auto [next, error] = std::from_chars(pos, end, value);
    const bool ok = error == std::errc{} && value >= low && value <= high && (next == end || *next == ',');
    pos = next < end ? next + 1 : end;
    return ok ? std::optional<int>(value) : std::nullopt;
}

} // namespace

CTerminalViewOptions LoadTerminalViewOptions(const ISettingsStore& store, const std::string& configPath)
{
    CTerminalViewOptions options;
    const auto value = store.Read(TERMINAL_VIEW_GROUP, ConfigSettingsKey(configPath));
    if (!value)
        return options;
    const char* pos = value->data();
    const char* end = pos + value->size();
    if (const auto answers = ReadField(pos, end, 0, 1))
        options.answers = *answers != 0;
    if (const auto latin1 = ReadField(pos, end, 0, 1))
        options.latin1 = *latin1 != 0;
    if (const auto lines = ReadField(pos, end, SCROLLBACK_LINES_MIN, SCROLLBACK_LINES_MAX))
        options.scrollbackLines = *lines;
    if (const auto backspace = ReadField(pos, end, 0, 1))
        options.backspaceSendsBs = *backspace != 0;
    return options;
}

void SaveTerminalViewOptions(ISettingsStore& store, const std::string& configPath, const CTerminalViewOptions& options)
{
    if (options == CTerminalViewOptions{}) {
        store.Remove(TERMINAL_VIEW_GROUP, ConfigSettingsKey(configPath));
        return;
    }
    store.Write(TERMINAL_VIEW_GROUP, ConfigSettingsKey(configPath),
                std::to_string(options.answers ? 1 : 0) + "," + std::to_string(options.latin1 ? 1 : 0) + "," +
                    std::to_string(options.scrollbackLines) + "," + std::to_string(options.backspaceSendsBs ? 1 : 0));
}

} // namespace kestrelon
