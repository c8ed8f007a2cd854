// `kestrelon --render-terminal FILE [--size COLSxROWS]`: a captured console log
// fed through the Terminal view's model, and the final screen printed as text.
// Runs without a display.
#pragma once

#include <cstdio>

namespace kestrelon {

// `handled` true when argv asks for this command; the result is then the exit
// status: 0 printed, 1 the file could not be read, 2 wrong usage.
int RunRenderTerminalCommand(int argc, char** argv, bool& handled);

// The same with its streams given, for tests.
int RenderTerminal(int argc, char** argv, std::FILE* out, std::FILE* err);

} // namespace kestrelon
