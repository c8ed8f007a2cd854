// `kestrelon --nmea-json FILE`: runs logged receiver output through the GPS
// bar's line assembly and parser and prints the decoded state after every
// sentence that redraws the bar, one JSON object per line. No display needed.
#pragma once

#include "gps/NMEA.h"
#include "gps/NmeaLineAssembler.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace kestrelon {

class CNmeaJson {
public:
    explicit CNmeaJson(CNMEA::Clock clock = CNMEA::SystemClock) : m_nmea(std::move(clock)) {}

    // Appends one line of JSON to `out` for each redrawing sentence in `data`;
    // the file may come in pieces of any size.
    void Feed(const std::uint8_t* data, std::size_t size, std::string& out);
    const CNMEA& Nmea() const { return m_nmea; }

private:
    void AppendState(std::string_view sentence, std::string& out) const;

    CNmeaLineAssembler m_lines;
    CNMEA m_nmea;
    long long m_lineNumber = 1; // counted at LF
};

// Decodes the file at `path` into `output`: 0 done, 1 the file could not be
// read or the output not written (said on standard error).
int RunNmeaJson(const char* path, std::FILE* output);
// Runs the command if argv[1] is "--nmea-json": `handled` tells the caller
// whether it was; the result is the exit code (0 done, 1 unreadable file or
// failed output, 2 wrong usage).
int RunNmeaJsonCommand(int argc, char** argv, bool& handled);

} // namespace kestrelon
