// Fuzz target for the data hub's receive path: any received bytes, with any
// receive options and any cut into blocks, reach the views only as runs of at
// most one screen line free of BS, LF and CR, and with every option off and no
// command scanning, the views get exactly the bytes received.
#include "hub/DataHub.h"
#include "hub/NullHubLinks.h"
#include "document/KestronDoc.h"
#include "framework/PumpedTarget.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace kestrelon;

namespace {

class CCheckingView : public IDocumentView {
public:
    void OnUpdate(const CUpdateHint& hint) override
    {
        if (hint.hint == HINT_BLOCK) {
            if (hint.length < 1 || hint.length > maxRun)
                std::abort();
            for (std::int32_t i = 0; i < hint.length; ++i)
                if (hint.data[i] == 8 || hint.data[i] == 10 || hint.data[i] == 13)
                    std::abort();
        }
        if (hint.hint == HINT_BLOCK || hint.hint == HINT_BYTE)
            shown.append(reinterpret_cast<const char*>(hint.data), static_cast<std::size_t>(hint.length));
    }
    std::int32_t maxRun = 1;
    std::string shown;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3)
        return 0;
    const std::uint8_t options = data[0];
    CKestronDoc doc;
    doc.scanCommands = options & 1;
    doc.crToCrLfOnReceive = options & 2;
    doc.lfToCrLfOnReceive = options & 4;
    doc.localEcho = options & 8;
    doc.screenColumns = data[1]; // 0 included: a damaged setting
    const std::size_t cut = data[2] == 0 ? size : data[2];
    CCheckingView view;
    view.maxRun = doc.screenColumns > 0 ? doc.screenColumns : 1;
    doc.AddView(&view);
    CQuietHubWindow window;
    CPumpedTarget frame;
    CDataHub hub(doc, window, frame, std::make_unique<CNoSerialLink>(true), std::make_unique<CNoIpLink>());
    hub.SetLogDirectory("/proc/self/no-such-directory"); // an in-band log start must fail quietly
    for (std::size_t at = 3; at < size; at += cut)
        hub.ProcessReceived(data + at, std::min(cut, size - at), RECEIVE_COLOUR);
    if ((options & 15) == 0 && view.shown != std::string(reinterpret_cast<const char*>(data) + 3, size - 3))
        std::abort();
    return 0;
}
