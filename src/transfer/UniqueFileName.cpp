// MakeUniqueFileName and SafeReceiveName. A dangling symbolic link counts as
// existing, so a received file never lands where a link points.
#include "transfer/UniqueFileName.h"

#include <climits>
#include <cstdio>
#include <sys/stat.h>

namespace kestrelon {
namespace {

// Beyond this many same-named files the name is given up (the create fails).
constexpr int MAX_NUMBER = 100000;

bool Exists(const std::string& path)
{
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

// Well-formed UTF-8 (no overlong forms, surrogates or code points past
// U+10FFFF); only then are bytes 0x80 to 0x9F parts of characters.
bool IsUtf8(const std::string& text)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t follow = 0;
        unsigned low = 0x80, high = 0xBF; // the range of the first follower
        if (lead < 0x80)
            follow = 0;
        else if (lead >= 0xC2 && lead <= 0xDF)
            follow = 1;
        else if (lead >= 0xE0 && lead <= 0xEF)
            follow = 2, low = lead == 0xE0 ? 0xA0 : 0x80, high = lead == 0xED ? 0x9F : 0xBF;
        else if (lead >= 0xF0 && lead <= 0xF4)
            follow = 3, low = lead == 0xF0 ? 0x90 : 0x80, high = lead == 0xF4 ? 0x8F : 0xBF;
        else
            return false;
        if (i + follow >= text.size() && follow > 0)
            return false;
        for (std::size_t k = 1; k <= follow; ++k) {
            const auto byte = static_cast<unsigned char>(text[i + k]);
            if (byte < (k == 1 ? low : 0x80) || byte > (k == 1 ? high : 0xBF))
                return false;
        }
        i += follow + 1;
    }
    return true;
}

// A code point below U+0020, U+007F to U+009F.
bool HasControl(const std::string& name)
{
    const bool utf8 = IsUtf8(name);
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto byte = static_cast<unsigned char>(name[i]);
        if (byte < 0x20 || byte == 0x7F || (!utf8 && byte >= 0x80 && byte <= 0x9F))
            return true;
        // U+0080 to U+009F are C2 80 to C2 9F.
        if (utf8 && byte == 0xC2 && i + 1 < name.size() && static_cast<unsigned char>(name[i + 1]) <= 0x9F)
            return true;
    }
    return false;
}

} // namespace

std::string MakeUniqueFileName(const std::string& path)
{
    if (!Exists(path))
        return path;
    const auto slash = path.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const auto dot = path.find('.', nameStart);
    const std::size_t insertAt = dot == std::string::npos ? path.size() : dot;
    for (int number = 1; number < MAX_NUMBER; ++number) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%d", number);
        std::string candidate = path.substr(0, insertAt) + digits + path.substr(insertAt);
        if (!Exists(candidate))
            return candidate;
    }
    return path;
}

std::optional<std::string> SafeReceiveName(const std::string& remoteName)
{
    // A backslash separates directories for senders on other systems.
    const auto slash = remoteName.find_last_of("/\\");
    std::string name = slash == std::string::npos ? remoteName : remoteName.substr(slash + 1);
    if (name.empty() || name == "." || name == ".." || name.size() > NAME_MAX)
        return std::nullopt;
    if (HasControl(name))
        return std::nullopt;
    return name;
}

} // namespace kestrelon
