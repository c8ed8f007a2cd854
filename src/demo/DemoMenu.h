// The demo board's full-screen menu, drawn in the escape sequences the ANSI
// view reads: cursor positions are column first and count from 0 there.
#pragma once

#include <string>

namespace kestrelon {

std::string DemoMenuScreen(bool led, bool gps);

} // namespace kestrelon
