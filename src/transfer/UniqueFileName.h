// Naming of received files: a name that does not exist yet, and the checks a
// name from a remote header must pass before it becomes a file name.
#pragma once

#include <optional>
#include <string>

namespace kestrelon {

// path itself when nothing of that name exists, else path with 1, 2, 3 ...
// before the first '.' of its last component (or at its end): data.bin gives
// data1.bin, a.tar.gz gives a1.tar.gz, log gives log1.
std::string MakeUniqueFileName(const std::string& path);

// The last component of a remote header's name; nothing when that component
// is empty, ".", "..", longer than a file name may be, or holds control
// characters: C0, DEL and C1 (as UTF-8, or as single bytes in a name that is
// not UTF-8, where 0x9B would start an escape sequence on a terminal).
std::optional<std::string> SafeReceiveName(const std::string& remoteName);

} // namespace kestrelon
