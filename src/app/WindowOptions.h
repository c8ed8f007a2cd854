// The window's connection options: `kestrelon --device PATH [--baud N]`,
// `--tcp HOST:PORT`, `--tcp-server PORT`, `--udp HOST:PORT [--local-port N]`,
// with `--config FILE.kst` for everything else. They are taken out of the
// command line at start and put on the document once it is open.
#pragma once

#include "app/CommandLineLine.h"

#include <cstdint>
#include <string>

namespace kestrelon {

class CKestronDoc;
class CSessionPortStore;

struct CWindowOptions {
    CLineOptions line;  // lines 0: no line named, the configuration decides
    std::string config; // --config FILE.kst
};

// Session-only COM numbers for a device path that has none start here.
constexpr std::uint32_t COMMAND_LINE_FIRST_PORT = 100;

// Takes the line options and --config out of argv (argc shrinks; the rest keeps
// its order for the file argument, --demo and Qt's options). False with `error`
// for a wrong value, two lines, or an option that does not fit the line.
bool TakeWindowOptions(int& argc, char** argv, CWindowOptions& options, std::string& error);

// Puts the document on the line; the configuration keeps everything else and is
// not marked modified. A device path gets the COM number it is listed under,
// else a session-only number. False with `error` when no number is free.
bool ApplyWindowLine(const CLineOptions& line, CKestronDoc& doc, CSessionPortStore& store, std::string& error);

} // namespace kestrelon
