// The watch for a receiver's lone request, fed blocks cut anywhere, with the
// clock moving on in steps around its ten seconds, and asked at any time. Its
// answer must be what the whole stream says, however it was cut: the request
// byte when the last byte received is 'C' or NAK that ends no word, arrived at
// most FRESH_MS ago and has not been taken; else 0.
#include "transfer/ReceiverRequest.h"
#include "transfer/TransferCodes.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

bool IsWordByte(std::uint8_t b)
{
    return (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using kestrelon::CReceiverRequestWatch;
    kestrelon::CReceiverRequestWatch watch;
    std::int64_t now = 0;
    std::uint8_t last = 0, before = 0; // the stream's last two bytes
    std::int64_t lastAt = 0;
    bool taken = true;
    // Records: a control byte (block length or a take, clock step) and the block.
    for (std::size_t at = 0; at + 1 < size;) {
        const std::uint8_t control = data[at], step = data[at + 1];
        at += 2;
        now += (control & 0x80) ? step : CReceiverRequestWatch::FRESH_MS - 128 + step;
        if (control & 0x40) {
            const std::uint8_t got = watch.Take(now);
            const bool lone = !IsWordByte(before) || before == kestrelon::CRC_REQUEST;
            const bool request = last == kestrelon::CRC_REQUEST || last == kestrelon::NAK;
            const bool fresh = now - lastAt <= CReceiverRequestWatch::FRESH_MS;
            if (got != (!taken && request && lone && fresh ? last : 0))
                std::abort();
            taken = true;
            continue;
        }
        const std::size_t length = std::min<std::size_t>(control & 0x3F, size - at);
        watch.Observe(length ? data + at : nullptr, length, now);
        for (std::size_t i = 0; i < length; ++i) {
            before = last;
            last = data[at + i];
        }
        if (length > 0) {
            lastAt = now;
            taken = false;
        }
        at += length;
    }
    return 0;
}
