// TransferEndText: success with size and time, or the reason it failed.
#include "transfer/TransferEndLine.h"

#include "transfer/TransferCodes.h"

#include <cstdio>

namespace kestrelon {

namespace {

const char* FailureReason(int result, int fileError)
{
    switch (fileError) {
    case FILE_ERROR_ACCESS:
        return "the file cannot be accessed";
    case FILE_ERROR_EMPTY:
        return "the file is empty";
    case FILE_ERROR_OTHER:
        return "file error";
    default:
        break;
    }
    switch (result) {
    case RESULT_TIMEOUT:
        return "the remote system does not answer (timeout)";
    case RESULT_CANCELLED:
        return "cancelled by the remote side";
    case RESULT_LINE_LOST:
        return "the connection was lost";
    default:
        return "ended before the file was complete";
    }
}

std::string BaseName(const std::string& path)
{
    const auto slash = path.find_last_of('/', path.size() > 1 ? path.size() - 2 : 0);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (!name.empty() && name.back() == '/')
        name.pop_back(); // a YModem receive that named no file: its folder
    return name;
}

} // namespace

std::string TransferEndText(const CTransferEnd& outcome)
{
    char text[512];
    if (outcome.result == RESULT_SUCCESS && outcome.fileError < 0)
        std::snprintf(text, sizeof text, "%s %s: %llu bytes in %.1f s", outcome.send ? "Sent" : "Received",
                      BaseName(outcome.fileName).c_str(), static_cast<unsigned long long>(outcome.bytes),
                      outcome.seconds);
    else
        std::snprintf(text, sizeof text, "%s failed: %s", outcome.send ? "Send" : "Receive",
                      FailureReason(outcome.result, outcome.fileError));
    return text;
}

} // namespace kestrelon
