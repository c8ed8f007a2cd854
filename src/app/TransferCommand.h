// Transfers from scripts, without a display: `kestrelon --send PROTOCOL FILE`
// and `kestrelon --receive PROTOCOL PATH` over a tty (--device, --com) or a TCP
// connection (--tcp), one transfer, one line of outcome, an exit code.
#pragma once

#include "app/CommandLineLine.h"

#include <string>

namespace kestrelon {

struct CTransferCommand {
    bool send = true;
    int protocol = 0;
    std::string path;       // the file to send or to receive into; YModem: the directory
    CLineOptions line;
    unsigned timeoutSeconds = 0; // --timeout: give up after this long (0: never)
};

// Parses argv when argv[1] is --send or --receive. False with `error` for
// arguments that do not make a transfer.
bool ParseTransferCommand(int argc, char** argv, CTransferCommand& command, std::string& error);

// Runs the transfer command named by argv, if any: `handled` tells the caller
// whether it was one; the result is the exit code (0 success, 1 failed
// transfer, 2 wrong usage). The settings store (for COM aliases) is made only
// when --com needs it.
int RunTransferCommand(int argc, char** argv, bool& handled, const SettingsMaker& makeSettings);

} // namespace kestrelon
