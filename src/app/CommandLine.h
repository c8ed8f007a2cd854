// The options of the window program itself: --help and --version answer at
// once, without a display, and an option nobody knows is refused with the usage
// before a window is made, instead of being taken for a file to open.
#pragma once

#include <cstdio>

namespace kestrelon {

// Every form of the command line, as --help prints it.
extern const char* const COMMAND_LINE_USAGE;

// Looks at argv (the commands that run without a window have had their turn).
// `handled` true means the program ends with the returned code: 0 after --help
// or --version, 2 after an unknown option (usage on `err`). Qt's own options
// (-platform, --style ...) pass through to the application object.
// Refuses a command line whose options do not fit together: the reason and
// the usage on `err`; returns the exit status 2.
int RefuseCommandLine(const char* reason, std::FILE* err);

// The arguments that are neither options nor the values of Qt's options: the
// configuration files named.
int CountFileArguments(int argc, char** argv);

int CheckCommandLine(int argc, char** argv, const char* version, std::FILE* out, std::FILE* err, bool& handled);

} // namespace kestrelon
