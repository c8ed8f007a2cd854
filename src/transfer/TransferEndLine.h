// The one line that tells how a transfer in the window ended, for the message
// pane and the data view: "Sent firmware.bin: 262144 bytes in 2.3 s",
// "Receive failed: cancelled by the remote side".
#pragma once

#include <cstdint>
#include <string>

namespace kestrelon {

struct CTransferEnd {
    bool send = true;
    std::string fileName; // the file sent or written; its folder is left out
    int result = 0;       // RESULT_*
    int fileError = -1;   // FILE_ERROR_* reported on the way, or -1
    std::uint64_t bytes = 0;
    double seconds = 0;
};

std::string TransferEndText(const CTransferEnd& outcome);

} // namespace kestrelon
