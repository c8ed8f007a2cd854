// Access to the recorded receiver logs under shared/testdata/nmea and a fixed
// clock, so that two-digit years and GGA dates do not depend on the day the
// tests run.
#pragma once

#include "gps/NMEA.h"

#include <string>
#include <vector>

namespace kestrelon::test {

// 2026-12-06 12:00:00 UTC.
constexpr std::int64_t TEST_NOW = 1796558400;
inline CNMEA::Clock FixedClock()
{
    return [] { return TEST_NOW; };
}

std::string CapturePath(const std::string& name);
std::string CaptureBytes(const std::string& name);
// Line n (1-based, cut at LF) of a capture, without its CR bytes.
std::string CaptureLine(const std::string& name, int n);
std::vector<std::string> CaptureNames();

// The fix in one line, compared whole by the table tests.
std::string Summary(const CNMEA& nmea);

// "$" + body + "*HH" with the body's checksum.
std::string Nmea(const std::string& body);
// One system's table: "view=N used=a,b sats=prn:el/az/snr ..." (PRNs with a signal).
std::string SatSummary(const CNMEA& nmea, ESatSystem system);

} // namespace kestrelon::test
