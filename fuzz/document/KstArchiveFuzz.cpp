// Fuzz target for the .kst reader: any bytes must either be refused or read
// into settings the program can use, and what was read must write and read
// back to the same settings.
#include "document/KstArchive.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace kestrelon;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CSavedSettings settings = CSavedSettings::Defaults();
    std::uint32_t schema = 0;
    CKstError error;
    if (!CKstArchive::Read(bytes, settings, schema, error)) {
        if (error.offset < 0 || static_cast<std::size_t>(error.offset) > size)
            std::abort(); // an error must point into the file
        return 0;
    }
    if (settings.screenLines < SCREEN_LINES_MIN || settings.screenLines > SCREEN_LINES_MAX ||
        settings.screenColumns < SCREEN_COLUMNS_MIN || settings.screenColumns > SCREEN_COLUMNS_MAX ||
        settings.commMode > COMM_MODE_MAX || settings.bridgeMode > BRIDGE_MODE_MAX ||
        settings.transferProtocol > TRANSFER_PROTOCOL_MAX || settings.ipPort > IP_PORT_MAX ||
        settings.bridgePort > IP_PORT_MAX)
        std::abort();
    CSavedSettings again = CSavedSettings::Defaults(99);
    if (!CKstArchive::Read(CKstArchive::Write(settings), again, schema, error) || !(again == settings))
        std::abort();
    return 0;
}
