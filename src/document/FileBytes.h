// Whole-file reads and writes for configuration files. A write goes to a
// temporary file beside the target that is renamed over it only once complete,
// so a full disk or a crash never destroys the file that was there.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrelon {

// No configuration comes near this; a bigger file is refused before reading so
// a wrong name (a disk image, a device) cannot exhaust memory.
constexpr std::size_t CONFIG_FILE_MAX_BYTES = 256u * 1024 * 1024;

// Reads a regular file whole. On failure `error` says why (with the system's
// reason) and `bytes` is left as it was.
bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& error);

// Replaces `path` with `bytes` all at once. An existing file keeps its
// permissions; a new one gets the usual ones of the user's umask.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string& error);

} // namespace kestrelon
