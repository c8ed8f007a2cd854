// `kestrelon --script FILE.lua LINE [--echo]`: a script drives a line without a
// window, for test rigs and build pipelines; the exit code is the script's.
#pragma once

#include "app/CommandLineLine.h"

namespace kestrelon {

// Runs the script command when argv holds --script: `handled` says whether it
// did. The result is the exit code: exit()'s value, 0 at a normal end, 1 on a
// script error or a stop (SIGINT, SIGTERM), 2 on wrong usage or a line that
// cannot be opened.
int RunScriptCommand(int argc, char** argv, bool& handled, const SettingsMaker& makeSettings);

} // namespace kestrelon
