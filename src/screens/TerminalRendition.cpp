// SGR codes, one switch; extended colours read their sub-parameters whether
// they came after colons (38:2::r:g:b) or semicolons (38;2;r;g;b).
#include "screens/TerminalRendition.h"

#include <algorithm>

namespace kestrelon {

namespace {

// Reads an extended colour (38/48/58) whose selector is at `at`; returns the
// index of its last parameter. `colour` is left alone when the form is unknown.
int ExtendedColour(const CVtSequence& s, int at, CTerminalColour& colour, bool& known)
{
    known = false;
    const bool colons = s.IsSub(at + 1);
    const int kind = s.Param(at + 1, -1, false);
    if (kind == 5) {
        const int index = s.Param(at + 2, 0, false);
        known = at + 2 < s.count && index <= 255;
        if (known)
            colour = CTerminalColour::Indexed(index);
        return at + 2;
    }
    if (kind == 2) {
        // The colon form may carry a colour-space id before red: 38:2:id:r:g:b.
        int first = at + 2;
        if (colons && s.count > at + 5 && s.IsSub(at + 5))
            first = at + 3;
        const int r = s.Param(first, 0, false), g = s.Param(first + 1, 0, false), b = s.Param(first + 2, 0, false);
        known = first + 2 < s.count && r <= 255 && g <= 255 && b <= 255;
        if (known)
            colour = CTerminalColour::Rgb(r, g, b);
        return first + 2;
    }
    return colons ? at + 1 : s.count; // an unknown selector spoils the rest
}

} // namespace

void ApplyRendition(const CVtSequence& s, CTerminalCell& pen)
{
    if (s.count == 0) {
        pen = CTerminalCell{};
        return;
    }
    for (int i = 0; i < s.count; ++i) {
        const int code = s.Param(i, 0, false);
        // Sub-parameters that no code here reads (4:3 curly underline) are skipped.
        int next = i;
        while (next + 1 < s.count && s.IsSub(next + 1))
            ++next;
        bool known = false;
        switch (code) {
        case 0:
            pen = CTerminalCell{};
            break;
        case 1:
            pen.attributes |= TATTR_BOLD;
            break;
        case 2:
            pen.attributes |= TATTR_FAINT;
            break;
        case 3:
            pen.attributes |= TATTR_ITALIC;
            break;
        case 4:
            if (s.IsSub(i + 1) && s.Param(i + 1, 0, false) == 0)
                pen.attributes &= ~TATTR_UNDERLINE;
            else
                pen.attributes |= TATTR_UNDERLINE;
            break;
        case 5:
        case 6:
            pen.attributes |= TATTR_BLINK;
            break;
        case 7:
            pen.attributes |= TATTR_REVERSE;
            break;
        case 8:
            pen.attributes |= TATTR_HIDDEN;
            break;
        case 9:
            pen.attributes |= TATTR_STRIKE;
            break;
        case 21:
            pen.attributes |= TATTR_UNDERLINE;
            break;
        case 22:
            pen.attributes &= ~(TATTR_BOLD | TATTR_FAINT);
            break;
        case 23:
            pen.attributes &= ~TATTR_ITALIC;
            break;
        case 24:
            pen.attributes &= ~TATTR_UNDERLINE;
            break;
        case 25:
            pen.attributes &= ~TATTR_BLINK;
            break;
        case 27:
            pen.attributes &= ~TATTR_REVERSE;
            break;
        case 28:
            pen.attributes &= ~TATTR_HIDDEN;
            break;
        case 29:
            pen.attributes &= ~TATTR_STRIKE;
            break;
        case 38:
            next = std::max(next, ExtendedColour(s, i, pen.foreground, known));
            break;
        case 39:
            pen.foreground = CTerminalColour();
            break;
        case 48:
            next = std::max(next, ExtendedColour(s, i, pen.background, known));
            break;
        case 49:
            pen.background = CTerminalColour();
            break;
        case 58: { // underline colour: read and dropped
            CTerminalColour ignored;
            next = std::max(next, ExtendedColour(s, i, ignored, known));
            break;
        }
        default:
            if (code >= 30 && code <= 37)
                pen.foreground = CTerminalColour::Indexed(code - 30);
            else if (code >= 40 && code <= 47)
                pen.background = CTerminalColour::Indexed(code - 40);
            else if (code >= 90 && code <= 97)
                pen.foreground = CTerminalColour::Indexed(code - 90 + 8);
            else if (code >= 100 && code <= 107)
                pen.background = CTerminalColour::Indexed(code - 100 + 8);
            break;
        }
        i = next;
    }
}

} // namespace kestrelon
