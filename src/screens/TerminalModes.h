// The modes a program sets on the Terminal view's model (DECSET/DECRST, SM/RM,
// keypad): what the view needs for keys and paste, and what the screen obeys.
#pragma once

namespace kestrelon {

struct CTerminalModes {
    bool applicationCursorKeys = false; // DECCKM, ?1
    bool applicationKeypad = false;     // ESC = / ESC >
    bool bracketedPaste = false;        // ?2004
    bool cursorShown = true;            // DECTCEM, ?25
    bool originMode = false;            // DECOM, ?6
    bool autoWrap = true;               // DECAWM, ?7
    bool reverseVideo = false;          // DECSCNM, ?5
    bool insertMode = false;            // IRM, 4
    bool newLineMode = false;           // LNM, 20: LF also returns the carriage
};

} // namespace kestrelon
