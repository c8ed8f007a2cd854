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
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            return std::nullopt;
    }
    return name;
}

} // namespace kestrelon
