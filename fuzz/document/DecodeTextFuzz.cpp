// Key and answer texts in the escape notation, "\!" line commands included.
// The steps are well formed (no empty or split byte runs, waits within the
// bound), the byte limit only cuts the end, and "^m" sent as CR LF adds one
// byte per "^m" and changes nothing else.
#include "document/DecodeText.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string_view>
#include <vector>

namespace {

using namespace kestrelon;

struct CSplit {
    std::vector<std::uint8_t> bytes;
    std::vector<CSendStep> actions;
};

CSplit CheckedSplit(const std::vector<CSendStep>& steps)
{
    CSplit split;
    bool lastWasBytes = false;
    for (const CSendStep& step : steps) {
        if (step.action) {
            const bool wait = *step.action == LineAction::Wait;
            if (!step.bytes.empty() || step.waitMs < 0 || step.waitMs > LINE_WAIT_MAX_MS || (!wait && step.waitMs != 0))
                std::abort();
            split.actions.push_back(step);
        } else {
            if (step.bytes.empty() || lastWasBytes)
                std::abort(); // byte runs are never empty and never split
            split.bytes.insert(split.bytes.end(), step.bytes.begin(), step.bytes.end());
        }
        lastWasBytes = !step.action;
    }
    return split;
}

std::size_t Count(std::string_view text, std::string_view what)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string_view::npos; at = text.find(what, at + what.size()))
        ++count;
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::size_t limit = data[0];
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    constexpr std::size_t unlimited = std::numeric_limits<std::size_t>::max();
    const CSplit cr = CheckedSplit(DecodeSendSteps(text, unlimited, false));
    const CSplit crLf = CheckedSplit(DecodeSendSteps(text, unlimited, true));
    if (text.size() >= DECODE_TEXT_MAX_CHARS && !(cr.bytes.empty() && cr.actions.empty()))
        std::abort();
    if (cr.actions.size() > Count(text, "\\!") || crLf.actions != cr.actions)
        std::abort();
    if (text.size() < DECODE_TEXT_MAX_CHARS && crLf.bytes.size() != cr.bytes.size() + Count(text, "^m"))
        std::abort();
    const std::vector<std::uint8_t> cut = DecodeText(text, limit, false);
    if (cut.size() != std::min(limit, cr.bytes.size()) || !std::equal(cut.begin(), cut.end(), cr.bytes.begin()))
        std::abort();
    return 0;
}
