// The server's bytes of a remote serial port: no input may crash the parser,
// and the data it passes on is never more than what came in. Fed whole and
// again in two pieces, the results must agree.
#include "net/TelnetComPort.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kestrelon;
    CTelnetComPort whole;
    whole.Start({});
    CTelnetOutput out;
    whole.Feed(data, size, out);
    if (out.data.size() > size)
        std::abort();
    CTelnetComPort split;
    split.Start({});
    CTelnetOutput pieces;
    const std::size_t cut = size == 0 ? 0 : data[0] % (size + 1);
    split.Feed(data, cut, pieces);
    split.Feed(data + cut, size - cut, pieces);
    if (pieces.data != out.data || pieces.reply != out.reply || pieces.events != out.events)
        std::abort();
    return 0;
}
