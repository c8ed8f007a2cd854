// Qt asks the D-Bus session bus, while the window comes up, for a global menu
// bar and an accessibility registry. Where the environment names no bus and the
// user's runtime directory holds none, the D-Bus library forks at every start to
// run its bus launcher; where that launcher is not installed, the fork only
// learns that there is no bus, and costs 5 to 10 ms of the start. The program
// then says at once that there is none.
#pragma once

namespace kestrelon {

// Whether a bus launch can only fail: no address (null or empty), no bus socket
// in `runtimeDir`, and no executable `launcher`.
bool IsBusLaunchFutile(const char* address, const char* runtimeDir, const char* launcher);

// Before the application object: sets DBUS_SESSION_BUS_ADDRESS to "disabled:"
// when a launch through the library's launcher can only fail.
void SkipFutileBusLaunch();

} // namespace kestrelon
