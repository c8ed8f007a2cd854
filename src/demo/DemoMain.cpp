// Entry point of kestrelon-demo-device: prints the pseudo-terminal's path and
// its link, then plays the board until stopped or until its parent is gone.
// `--parent PID` names the parent to watch (default: the one that started it).
#include "demo/DemoDevice.h"
#include "demo/DemoPty.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

int main(int argc, char* argv[])
{
    pid_t parent = getppid();
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--parent") == 0 && i + 1 < argc) {
            parent = static_cast<pid_t>(std::strtol(argv[++i], nullptr, 10));
        } else {
            std::fprintf(stderr, "usage: kestrelon-demo-device [--parent PID]\n"
                                 "Plays a development board on a pseudo-terminal; open the printed path\n"
                                 "in Kestrelon (or run `kestrelon --demo`).\n");
            return 2;
        }
    }
    // The parent's end sends SIGTERM; if it already ended, stop now.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent)
        return 0;
    try {
        const std::string runtime = kestrelon::CDemoPty::RuntimeDir();
        const std::string files = runtime + "/kestrelon-demo-files";
        mkdir(files.c_str(), 0700);
        kestrelon::CDemoPty pty(runtime);
        kestrelon::CDemoDevice device(pty, parent, files);
        std::printf("Device: %s\nLink: %s\nFiles: %s\n", pty.SlavePath().c_str(), pty.LinkPath().c_str(),
                    files.c_str());
        std::fflush(stdout);
        return device.Run();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "kestrelon-demo-device: %s\n", error.what());
        return 1;
    }
}
