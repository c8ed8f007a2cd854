// `kestrelon --rfc2217 HOST:PORT [--baud N]`: the window opens a new
// configuration on a remote serial port. The options are taken out of the
// command line before anything else reads it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace kestrelon {

class CKestronDoc;

struct CRemoteSerialOption {
    std::string host;
    std::uint32_t port = 0;
    std::uint32_t baud = 115200;
};

// Removes --rfc2217 and its --baud from argv (argc shrinks). `handled` true:
// the values were wrong; the message is on `err` and the result is the exit code.
std::optional<CRemoteSerialOption> TakeRemoteSerialOption(int& argc, char** argv, std::FILE* err, bool& handled,
                                                          int& code);
// Makes the document's connection that remote port, before it is applied.
void ApplyRemoteSerialOption(const CRemoteSerialOption& option, CKestronDoc& doc);

} // namespace kestrelon
