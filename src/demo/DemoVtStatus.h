// The demo board's full-screen status page in standard VT100 sequences (cursor
// addressing row first and one-based, DEC line drawing), for the Terminal view.
#pragma once

#include <string>

namespace kestrelon {

struct CDemoVtStatus {
    bool led = false;
    bool gps = false;
    unsigned baud = 0;
    long long uptimeSeconds = 0;
};

// Clears the screen, draws the page within 40 columns and 15 rows (the title
// bar runs across the whole width) and leaves the cursor on row 15 for the
// prompt that follows.
std::string DemoVtStatusScreen(const CDemoVtStatus& status);

} // namespace kestrelon
