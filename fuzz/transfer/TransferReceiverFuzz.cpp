// The block receiver fed whatever a remote side may send, split into reads at
// fuzzer-chosen points with the clock moving between them. Files go to a store
// that only counts, so memory stays bounded however long the input.
#include "transfer/BlockReceiver.h"
#include "transfer/TransferCodes.h"

#include <cstdlib>

namespace {

using namespace kestrelon;

class CCountingStore : public CReceiveStore {
public:
    bool Create(const std::string& name, std::string& path) override
    {
        // Names reach the store only after the receiver's checks; XModem
        // passes none (the user chose the file).
        if (name == "." || name == ".." || name.find('/') != std::string::npos)
            std::abort();
        path = name;
        m_open = true;
        return true;
    }
    bool Write(const std::uint8_t*, std::size_t size) override
    {
        if (!m_open || size > 1024)
            std::abort();
        return true;
    }
    void Close() override { m_open = false; }

private:
    bool m_open = false;
};

class CNullObserver : public CTransferObserver {
public:
    void OnTransferNotify(int, std::uint64_t) override {}
    void OnTransferFile(const std::string&) override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    // First byte: protocol and how reads are split; the rest is the line.
    const int protocol = data[0] % 3;
    const std::size_t split = 1 + data[0] / 3 % 64;
    CNullObserver observer;
    CCountingStore store;
    CBlockReceiver receiver(observer, protocol, store);
    TransferTime now = 0;
    receiver.Start(now);
    for (std::size_t at = 1; at < size && !receiver.Done(); at += split) {
        const std::size_t piece = std::min(split, size - at);
        receiver.OnBytes(data + at, piece, now);
        now += 700 * (data[at] & 7);
        if (now >= receiver.NextDeadline())
            receiver.OnTime(now);
        if (receiver.PendingSize() > 8)
            std::abort(); // one answer per frame, at most ACK and 'C' or two CANs
        receiver.Consume(receiver.PendingSize());
    }
    return 0;
}
