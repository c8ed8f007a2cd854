// Select Graphic Rendition for the Terminal view: SGR parameters change the pen
// (attribute bits, and 8, 16, 256 and 24-bit colours in both the ';' and the
// ':' forms of the extended colours).
#pragma once

#include "screens/TerminalCell.h"
#include "screens/VtParser.h"

namespace kestrelon {

void ApplyRendition(const CVtSequence& sequence, CTerminalCell& pen);

} // namespace kestrelon
